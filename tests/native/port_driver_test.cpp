#include "include/kbpi32.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/port_driver.h"
#include "sim_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class PortDriverTest : public SimTest {
protected:
    PortDriverTest() { driver().install(&keyboard); }
    static sim::PortDriver& driver() { return sim::drivers().port_driver; }
};

TEST_F(PortDriverTest, ByteGoesAsOneFourByteRequestOnAWriteOnlyHandle) {
    EXPECT_EQ(kbp::portdrv_send_byte(0x130), 0);
    ASSERT_EQ(driver().calls.size(), 1u);
    EXPECT_EQ(driver().calls[0], (sim::ControlCall{0xB0008, {0xEF, 0x00, 0x30, 0x00}, 1}));
    EXPECT_EQ(driver().opens, (std::vector<sim::DriverOpen>{{platform::kGenericWrite, 0}}));
    EXPECT_EQ(keyboard.received, (Bytes{0x30}));
    EXPECT_EQ(sim::devices().open_count(), 0u);
}

TEST_F(PortDriverTest, FailsWithoutTheDriverOrWhenTheRequestIsRefused) {
    sim::faults().fail(sim::Call::device_control);
    EXPECT_EQ(kbp::portdrv_send_byte(0x30), 1);
    EXPECT_EQ(sim::devices().open_count(), 0u);  // closed all the same

    sim::reset();
    EXPECT_EQ(kbp::portdrv_send_byte(0x30), 1);
    EXPECT_EQ(sim::devices().failed_opens, 1u);
}

TEST_F(PortDriverTest, NoReplyIsAwaited) {
    keyboard.answer_mode = kbdsim::AnswerMode::silent;
    const std::uint32_t start = sim::clock().now_ms;
    kbp_set_interface(kbp::kPortDriver);
    EXPECT_EQ(kbp_snd_interface(0xEC), 0);
    EXPECT_EQ(driver().sent, (Bytes{0xEC}));
    EXPECT_LT(sim::clock().now_ms - start, 10u);
    EXPECT_EQ(sim::messages().timers_started, 0u);
}

TEST_F(PortDriverTest, TheDispatchPrefersThePortDriverToTheClassDriver) {
    kbdsim::Keyboard other;
    sim::drivers().class_driver.install(&other);
    kbp::interface_state.use_class_driver = 1;
    kbp::interface_state.use_port_driver = 1;
    kbp::interface_state.interface_chosen = 1;
    EXPECT_EQ(kbp::kbd_transport_send(0x55), 0);
    EXPECT_EQ(driver().sent, (Bytes{0x55}));
    EXPECT_TRUE(sim::drivers().class_driver.calls.empty());

    kbp::interface_state.use_port_driver = 0;
    EXPECT_EQ(kbp::kbd_transport_send(0x56), 0);
    EXPECT_EQ(sim::drivers().class_driver.sent, (Bytes{0x56}));
    EXPECT_TRUE(sim::controller().bytes_to_keyboard.empty());
}

TEST_F(PortDriverTest, TheAutomaticChoiceOnWindows2000UsesThePortDriver) {
    sim::version().set(platform::kPlatformNt, 5, 0);
    EXPECT_EQ(kbp_snd_interface(0x42), 0);
    EXPECT_EQ(driver().sent, (Bytes{0x42}));
}

}  // namespace
