#include <vector>

#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/texts.h"
#include "serial_test.h"

namespace {

using sim::Call;
using Bytes = std::vector<std::uint8_t>;

class SerialConfigure : public SerialTest {};

TEST_F(SerialConfigure, SettingsFromTheTextChangeOnlyTheLibraryFieldsAndSendNothing) {
    const platform::CommState reported = port.state;
    ASSERT_EQ(open_and_configure("COM1:9600,N,8,1"), 0);

    ASSERT_EQ(port.states_applied.size(), 1u);
    const platform::CommState& s = port.states_applied[0];
    EXPECT_EQ(s.BaudRate, 9600u);
    EXPECT_EQ(s.Parity, platform::kNoParity);
    EXPECT_EQ(s.ByteSize, 8);
    EXPECT_EQ(s.StopBits, platform::kOneStopBit);
    EXPECT_EQ(s.fBinary, 1u);
    EXPECT_EQ(s.fParity, 1u);
    EXPECT_EQ(s.fOutxCtsFlow + s.fOutxDsrFlow + s.fOutX + s.fInX, 0u);
    EXPECT_EQ(s.fNull, 1u);
    // What the driver reported stays.
    EXPECT_EQ(s.DCBlength, reported.DCBlength);
    EXPECT_EQ(s.fDtrControl, reported.fDtrControl);
    EXPECT_EQ(s.fRtsControl, reported.fRtsControl);
    EXPECT_EQ(s.fTXContinueOnXoff, reported.fTXContinueOnXoff);
    EXPECT_EQ(s.XonLim, reported.XonLim);
    EXPECT_EQ(s.XoffLim, reported.XoffLim);
    EXPECT_EQ(s.XonChar, reported.XonChar);
    EXPECT_EQ(s.EofChar, reported.EofChar);

    ASSERT_EQ(port.timeouts_applied.size(), 1u);
    const platform::CommTimeouts& t = port.timeouts_applied[0];
    EXPECT_EQ(t.ReadIntervalTimeout + t.ReadTotalTimeoutMultiplier + t.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 200u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 200u);
    EXPECT_EQ(port.in_queue, 512u);
    EXPECT_EQ(port.out_queue, 512u);
    EXPECT_EQ(port.purges, (std::vector<std::uint32_t>{platform::kPurgeTxClear, platform::kPurgeRxClear}));

    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(sim::message_boxes().shown.empty());
    EXPECT_EQ(status_text(), "COM1:9600,N,8,1");
    EXPECT_TRUE(port_is_open());
}

TEST_F(SerialConfigure, LowerCaseParityAndNoStopBits) {
    ASSERT_EQ(open_and_configure("COM1:9600,e,7"), 0);
    ASSERT_EQ(port.states_applied.size(), 1u);
    EXPECT_EQ(port.states_applied[0].Parity, platform::kEvenParity);
    EXPECT_EQ(port.states_applied[0].ByteSize, 7);
    EXPECT_TRUE(port.written.empty());
}

class SerialConfigureUnusableSettings : public SerialTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(SerialConfigureUnusableSettings, StartTheSearch) {
    ASSERT_EQ(open_and_configure(GetParam()), 0);
    // An always-echoing keyboard is found at the first entry.
    ASSERT_EQ(port.states_applied.size(), 1u);
    EXPECT_EQ(port.states_applied[0].BaudRate, 9600u);
    EXPECT_EQ(port.states_applied[0].Parity, platform::kEvenParity);
    EXPECT_EQ(port.written, Bytes{0xEE});
    EXPECT_EQ(status_text(), "set to 9600,E,8,1");
}

INSTANTIATE_TEST_SUITE_P(Texts, SerialConfigureUnusableSettings,
                         ::testing::Values("COM1:115200,N,8,1", "COM1:1000,N,8,1", "COM1:9600,N,6,1", "COM1",
                                           "COM1:", "COM1: 9600,N,8,1", "COM1:X9600,N,8,1"));

TEST_F(SerialConfigure, TheSearchFindsTheOneSettingTheKeyboardEchoesAt) {
    port.echo = sim::EchoPolicy::at_settings;
    port.echo_settings = {{2400, platform::kOddParity, 8}};
    ASSERT_EQ(open_and_configure("COM1"), 0);

    EXPECT_EQ(status_text(), "set to 2400,O,8,1");
    EXPECT_STREQ(kbp::last_transfer_state.line_settings, "2400,O,8,1");
    ASSERT_EQ(sim::message_boxes().shown.size(), 1u);
    EXPECT_EQ(sim::message_boxes().shown[0].text, "set to 2400,O,8,1");
    EXPECT_EQ(sim::message_boxes().shown[0].caption, "");
    EXPECT_EQ(sim::message_boxes().shown[0].type, platform::kMbOkCancel);

    EXPECT_EQ(port.states_applied.size(), 8u);
    EXPECT_EQ(port.written, Bytes(8, 0xEE));
    EXPECT_EQ(keyboard.echo_commands, 8u);
    // Each silent entry: one read that ends the echo window, then two more.
    EXPECT_EQ(sim::faults().uses(Call::read_file), 7u * 3 + 1);
    // Opened by the download, then once per entry; all but the last closed.
    EXPECT_EQ(sim::devices().opens, 9u);
    EXPECT_EQ(sim::devices().closes, 8u);
    EXPECT_TRUE(port_is_open());
    EXPECT_EQ(port.line(), (platform::LineSettings{2400, platform::kOddParity, 8}));
    EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
}

TEST_F(SerialConfigure, NoKeyboardOnTheLineTriesAllEntriesAndLeavesThePortClosed) {
    port.keyboard = nullptr;
    const std::uint32_t start = sim::clock().now_ms;
    EXPECT_EQ(open_and_configure("COM1"), 2);
    EXPECT_EQ(status_text(), "unable to download");
    EXPECT_EQ(kbp::last_transfer_state.cause, KBP_CAUSE_COM_NO_ECHO);
    EXPECT_STREQ(kbp::last_transfer_state.line_settings, "");
    EXPECT_EQ(port.states_applied.size(), 24u);
    EXPECT_EQ(port.written, Bytes(24, 0xEE));
    EXPECT_TRUE(sim::message_boxes().shown.empty());
    EXPECT_FALSE(port_is_open());
    EXPECT_TRUE(handle_is_none());
    // Three 200 ms reads and a 10 ms pause per entry.
    EXPECT_GE(sim::clock().now_ms - start, 24u * 610);
    // The next download can open the port again.
    EXPECT_EQ(kbp::com_open(), 0);
}

TEST_F(SerialConfigure, AnEchoWindowOfFailingReadsEndsAfterSixtyMilliseconds) {
    sim::faults().fail(Call::read_file);
    port.keyboard = nullptr;
    const std::uint32_t start = sim::clock().now_ms;
    EXPECT_EQ(open_and_configure("COM1"), 2);
    const std::uint32_t per_entry = (sim::clock().now_ms - start) / 24;
    EXPECT_GE(per_entry, 70u);  // the pause and the window
    EXPECT_LE(per_entry, 90u);
    EXPECT_LE(sim::faults().uses(Call::read_file), 24u * 62);
}

TEST_F(SerialConfigure, WithoutAStatusBufferTheBoxStillShowsTheSetting) {
    kbp::status_state.current_status = nullptr;
    kbp::set_port_settings_text("COM1");
    ASSERT_EQ(kbp::com_open(), 0);
    ASSERT_EQ(kbp::com_configure(kbp::serial_state.port_settings), 0);
    ASSERT_EQ(sim::message_boxes().shown.size(), 1u);
    EXPECT_EQ(sim::message_boxes().shown[0].text, "set to 9600,E,8,1");
}

TEST_F(SerialConfigure, AnUnopenablePortGives254AndNoMessage) {
    sim::faults().fail(Call::open_device);
    std::strcpy(status, "COM1:9600,N,8,1");
    EXPECT_EQ(kbp::com_open(), 254);
    EXPECT_EQ(status_text(), "COM1:9600,N,8,1");
    EXPECT_TRUE(handle_is_none());
}

TEST_F(SerialConfigure, PortTextsAndDeviceNamesAreCutToTheirRoom) {
    const std::string long_text = "COM1:9600,N,8,1 and a good deal more than fits";
    kbp::set_port_settings_text(long_text.c_str());
    EXPECT_EQ(std::string(kbp::serial_state.port_settings), long_text.substr(0, 23));
    kbp::set_com_device_name("COM12");
    EXPECT_STREQ(kbp::serial_state.device_name, "COM1");

    // A message quoting the text reaches the caller's buffer whole.
    sim::faults().fail(Call::get_comm_state);
    ASSERT_EQ(kbp::com_open(), 0);
    EXPECT_EQ(kbp::com_configure(kbp::serial_state.port_settings), 1);
    EXPECT_EQ(status_text(), "unable to config " + long_text.substr(0, 23));
}

}  // namespace
