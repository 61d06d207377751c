#include <vector>

#include "include/kbpi32.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/led_tunnel.h"
#include "kbpi32/channel/frames.h"
#include "serial_test.h"

namespace {

using sim::Call;
using Bytes = std::vector<std::uint8_t>;

class SerialSend : public SerialTest {
protected:
    SerialSend() {
        EXPECT_EQ(open_and_configure("COM1:9600,N,8,1"), 0);
        port.purges.clear();
        port.timeouts_applied.clear();
    }
};

TEST_F(SerialSend, AnAcknowledgedByteClearsBothBuffersBeforeItIsWritten) {
    EXPECT_EQ(kbp::com_send_byte(0x13A), 0);
    EXPECT_EQ(port.written, Bytes{0x3A});
    EXPECT_EQ(keyboard.received, Bytes{0x3A});
    EXPECT_EQ(port.purges, (std::vector<std::uint32_t>{platform::kPurgeRxClear, platform::kPurgeTxClear}));
    // The stored time-outs are applied again for the acknowledge.
    ASSERT_EQ(port.timeouts_applied.size(), 1u);
    EXPECT_EQ(port.timeouts_applied[0].ReadTotalTimeoutConstant, 200u);
    EXPECT_EQ(status_text(), "COM1:9600,N,8,1");
}

TEST_F(SerialSend, BytesADriverStillHoldsAreNeverPurged) {
    port.holds_writes = true;
    const Bytes sent = {0xEF, 0x0F, '0', '0', '0', '4', 0x12, 0xF4};
    for (std::uint8_t b : sent) ASSERT_EQ(kbp::com_send_byte(b), 0) << int(b);
    EXPECT_EQ(keyboard.received, sent);
    EXPECT_EQ(port.bytes_dropped, 0u);
}

TEST_F(SerialSend, AResendOrSilenceIsADownloadFailureWithThePortLeftOpen) {
    keyboard.answer_mode = kbdsim::AnswerMode::resend;
    EXPECT_EQ(kbp::com_send_byte(0x30), 1);
    EXPECT_EQ(status_text(), " download failed ");
    EXPECT_TRUE(port_is_open());

    keyboard.answer_mode = kbdsim::AnswerMode::silent;
    const std::uint32_t start = sim::clock().now_ms;
    EXPECT_EQ(kbp::com_send_byte(0x30), 1);
    EXPECT_GE(sim::clock().now_ms - start, 200u);
    EXPECT_EQ(port.written, (Bytes{0x30, 0x30}));  // no resend on this path

    sim::faults().fail(Call::read_file);
    EXPECT_EQ(kbp::com_send_byte(0x30), 1);
    EXPECT_TRUE(port_is_open());
}

TEST_F(SerialSend, AByteThatCannotBeWrittenIsReportedInABoxAndThePortStaysOpen) {
    sim::faults().fail(Call::write_file);
    EXPECT_EQ(kbp::com_send_byte(0x30), 5);
    EXPECT_EQ(status_text(), " unable to send data ");
    ASSERT_EQ(sim::message_boxes().shown.size(), 1u);
    EXPECT_EQ(sim::message_boxes().shown[0].text, " unable to send data ");
    EXPECT_EQ(sim::message_boxes().shown[0].type, platform::kMbOkCancel);
    EXPECT_TRUE(port_is_open());
    sim::faults().heal(Call::write_file);
    port.writes_nothing = true;
    EXPECT_EQ(kbp::com_send_byte(0x30), 5);
    EXPECT_EQ(kbp::com_close(), 0);
}

struct SendFailure {
    Call call;
    unsigned after;  // calls of that kind that still succeed (the receive buffer is purged first)
    std::uint8_t result;
    const char* message;
};

class SerialSendFailure : public SerialSend, public ::testing::WithParamInterface<SendFailure> {};

TEST_P(SerialSendFailure, ClosesThePortForTheRestOfTheDownload) {
    sim::faults().fail(GetParam().call, GetParam().after);
    EXPECT_EQ(kbp::com_send_byte(0x30), GetParam().result);
    EXPECT_EQ(status_text(), GetParam().message);
    EXPECT_FALSE(port_is_open());
    EXPECT_TRUE(sim::message_boxes().shown.empty());

    sim::faults().heal(GetParam().call);
    const std::size_t written = port.written.size();
    EXPECT_EQ(kbp::com_send_byte(0x31), 7);
    EXPECT_EQ(kbp::com_close(), 252);
    EXPECT_EQ(port.written.size(), written);
    EXPECT_EQ(sim::devices().closes, 1u);
    EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
}

INSTANTIATE_TEST_SUITE_P(Steps, SerialSendFailure,
                         ::testing::Values(SendFailure{Call::purge_comm, 0, 7, " error clear receive buffer "},
                                           SendFailure{Call::purge_comm, 1, 6, " error clear transmit buffer "},
                                           SendFailure{Call::set_comm_timeouts, 0, 5, " can\xB4t setup timeout "}));

TEST_F(SerialSend, TheByteChannelSendsEveryByteUnchangedWhileTheSerialFlagIsSet) {
    kbp_set_interface(1);
    kbp::interface_state.use_serial = 1;
    EXPECT_EQ(kbp_snd_interface(0xEC), 0);
    EXPECT_EQ(kbp::kbd_send_byte(0x3A), 0);
    EXPECT_EQ(kbp::kbd_transport_send(0xF4), 0);
    EXPECT_EQ(port.written, (Bytes{0xEC, 0x3A, 0xF4}));
    EXPECT_TRUE(sim::controller().bytes_to_keyboard.empty());
    EXPECT_EQ(kbp::led_tunnel_state.ec_mode, 0u);
}

TEST_F(SerialSend, AFrameStopsAtTheFirstRefusedByteWithItsStatus) {
    kbp::interface_state.use_serial = 1;
    sim::faults().fail(Call::write_file, 4);  // the fifth byte of the frame cannot be written
    const std::uint8_t data[] = {0x12, 0xAB, 0x00};
    EXPECT_EQ(kbp::send_write_block(4, data, 3), 5);
    EXPECT_EQ(port.written, (Bytes{0xEF, 0x0F, '0', '0'}));
    EXPECT_EQ(sim::faults().uses(Call::write_file), 5u);
}

TEST_F(SerialSend, AWriteBlockStopsAtWhicheverByteTheKeyboardRefuses) {
    kbp::interface_state.use_serial = 1;
    const std::uint8_t data[] = {0x5A, 0xC3};
    const Bytes frame = {0xEF, 0x0F, '1', '2', '3', '4', '0', '2', '0', 'C', '5', 'A', 'C', '3', '1', 'E'};
    const char* const fields[] = {"start", "command", "address", "address", "address", "address",
                                  "count", "count", "header sum", "header sum", "data", "data",
                                  "data", "data", "data sum", "data sum"};
    for (std::size_t refused = 0; refused < frame.size(); ++refused) {
        SCOPED_TRACE(testing::Message() << fields[refused] << " byte " << refused);
        port.written.clear();
        keyboard.scripted_replies.assign(refused, {true, kbdsim::kAck});
        keyboard.scripted_replies.push_back({true, kbdsim::kResend});
        EXPECT_EQ(kbp::send_write_block(0x1234, data, 2), 1);
        EXPECT_EQ(port.written, Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(refused) + 1));
        EXPECT_EQ(status_text(), " download failed ");
    }
}

TEST_F(SerialSend, AnotherPortCanBeNamed) {
    ASSERT_EQ(kbp::com_close(), 0);
    sim::com_port(3).keyboard = &keyboard;
    kbp::set_com_device_name("COM3");
    EXPECT_EQ(open_and_configure("COM3:4800,O,8,1"), 0);
    EXPECT_EQ(kbp::com_send_byte(0x55), 0);
    EXPECT_EQ(sim::com_port(3).written, Bytes{0x55});
    EXPECT_EQ(sim::com_port(3).line(), (platform::LineSettings{4800, platform::kOddParity, 8}));
}

}  // namespace
