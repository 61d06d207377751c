#include "kbpi32/channel/controller_ports.h"
#include "sim_test.h"

namespace {

using sim::PortAccess;

class ControllerPorts : public SimTest {
protected:
    ControllerPorts() { keyboard_on_controller(); }
    std::vector<PortAccess> writes() const {
        std::vector<PortAccess> w;
        for (const PortAccess& a : sim::controller().accesses)
            if (a.write) w.push_back(a);
        return w;
    }
};

TEST_F(ControllerPorts, AnAcknowledgedSendSwitchesTheCommandByteAroundTheByte) {
    EXPECT_EQ(kbp::port_send_byte(0x1A), 0);
    const std::vector<PortAccess> expected = {
        {true, 0x64, 0x60}, {true, 0x60, 0x00}, {true, 0x60, 0x1A}, {true, 0x64, 0x60}, {true, 0x60, 0x41}};
    EXPECT_EQ(writes(), expected);
    EXPECT_EQ(sim::controller().command_byte, 0x41);
    EXPECT_EQ(keyboard.bytes_received, 1u);
}

TEST_F(ControllerPorts, OnlyTheLowEightBitsAreWritten) {
    EXPECT_EQ(kbp::port_send_byte(0x3F4), 0);
    EXPECT_EQ(sim::controller().bytes_to_keyboard, std::vector<std::uint8_t>{0xF4});
}

TEST_F(ControllerPorts, AResendRequestIsWaitedOutWithoutWritingAgain) {
    keyboard.answer_mode = kbdsim::AnswerMode::resend;
    EXPECT_EQ(kbp::port_send_byte(0x55), 1);
    EXPECT_EQ(sim::controller().bytes_to_keyboard, std::vector<std::uint8_t>{0x55});
    // 0x14FF2 answer polls, the last the first past 0x14FF0, then the two
    // ready checks of the 0x41 command byte.
    std::size_t status_reads_after_write = 0;
    bool written = false;
    for (const PortAccess& a : sim::controller().accesses) {
        if (a.write && a.port == 0x60 && a.value == 0x55) written = true;
        if (written && !a.write && a.port == 0x64) ++status_reads_after_write;
    }
    EXPECT_EQ(status_reads_after_write, 0x14FF2u + 2);
    EXPECT_EQ(sim::controller().command_byte, 0x41);
}

TEST_F(ControllerPorts, AnAnswerIsJudgedOnlyWhenNoLaterByteFollows) {
    // A stray byte is waiting when the keyboard acknowledges: the stray byte
    // is read first, replaced by the acknowledge, and only that is judged.
    sim::controller().output = {0xAA};
    EXPECT_EQ(kbp::port_send_byte(0x02), 0);

    // A stray 0xFA replaced by the keyboard's 0xFE is no acknowledge.
    sim::controller().record = false;
    sim::controller().output = {0xFA};
    keyboard.scripted_replies = {{true, kbdsim::kResend}};
    EXPECT_EQ(kbp::port_send_byte(0x03), 1);
}

TEST_F(ControllerPorts, StatusBitsFiveAndSixJudgeAtOnce) {
    // With bits 5 and 6 set, the first byte read is judged at the same poll,
    // before the keyboard's 0xFE behind it can replace it.
    sim::controller().extra_status = 0x60;
    sim::controller().output = {0xFA};
    keyboard.scripted_replies = {{true, kbdsim::kResend}};
    EXPECT_EQ(kbp::port_send_byte(0x33), 0);
}

TEST_F(ControllerPorts, NoPortAccessMeansRefusalWithoutTouchingThePorts) {
    sim::controller().io_permitted = false;
    EXPECT_EQ(kbp::port_send_byte(0x10), 1);
    EXPECT_EQ(sim::controller().reads + sim::controller().writes, 0u);
}

TEST_F(ControllerPorts, AControllerThatNeverTakesAByteEndsTheSend) {
    sim::controller().input_buffer_stuck = true;
    sim::controller().record = false;
    EXPECT_EQ(kbp::port_send_byte(0x10), 1);
    EXPECT_EQ(sim::controller().writes, 0u);
    EXPECT_EQ(sim::controller().reads, 0x14FFFu);
}

}  // namespace
