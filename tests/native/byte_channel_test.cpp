#include "include/kbpi32.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/led_tunnel.h"
#include "sim_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class LedTunnel : public SimTest {
protected:
    LedTunnel() {
        keyboard_on_controller();
        kbp_set_interface(1);
    }
    const Bytes& at_data_port() { return sim::controller().bytes_to_keyboard; }
};

TEST_F(LedTunnel, CarriesTheLowNibbleFirstWithTheTagOfTheMode) {
    EXPECT_EQ(kbp_snd_interface(0x3A), 0);
    EXPECT_EQ(at_data_port(), (Bytes{0xED, 0x1A, 0xED, 0x23}));

    sim::controller().bytes_to_keyboard.clear();
    EXPECT_EQ(kbp_snd_interface(0xEC), 0);
    EXPECT_TRUE(at_data_port().empty());
    EXPECT_EQ(kbp_snd_interface(0x3A), 0);
    EXPECT_EQ(at_data_port(), (Bytes{0xED, 0x1A, 0xED, 0x33}));

    sim::controller().bytes_to_keyboard.clear();
    EXPECT_EQ(kbp_snd_interface(0xEF), 0);
    EXPECT_TRUE(at_data_port().empty());
    EXPECT_EQ(kbp_snd_interface(0x00), 0);
    EXPECT_EQ(kbp_snd_interface(0xED), 0);
    EXPECT_EQ(at_data_port(), (Bytes{0xED, 0x10, 0xED, 0x20, 0xED, 0x1D, 0xED, 0x2E}));
}

TEST_F(LedTunnel, TheKeyboardRecoversEveryByte) {
    // The 254 values the tunnel carries (0xEC and 0xEF only switch its mode),
    // in either mode.
    Bytes carried;
    for (int b = 0; b < 256; ++b)
        if (b != 0xEC && b != 0xEF) carried.push_back(static_cast<std::uint8_t>(b));
    for (std::uint8_t mode_byte : {0xEF, 0xEC}) {
        SCOPED_TRACE(int{mode_byte});
        ASSERT_EQ(kbp_snd_interface(mode_byte), 0);
        keyboard.decoded.clear();
        for (std::uint8_t b : carried) ASSERT_EQ(kbp_snd_interface(b), 0) << int{b};
        EXPECT_EQ(keyboard.decoded, carried);
    }
    EXPECT_EQ(keyboard.ec_tagged_bytes, 254u);

    // Each byte is four acknowledged exchanges, and the keyboard sees the
    // byte again once the tunnel is undone: a write-block frame decodes.
    const std::uint8_t frame[] = {0x0F, '0', '0', '0', '4', '0', '1', '0', '5', 'A', 'B', '1', '5'};
    for (std::uint8_t b : frame) ASSERT_EQ(kbp_snd_interface(b), 0);
    ASSERT_EQ(keyboard.good_frames, 1u);
    EXPECT_EQ(keyboard.memory[4], 0xAB);
}

TEST_F(LedTunnel, StopsAtTheFirstRefusedByte) {
    keyboard.answer_mode = kbdsim::AnswerMode::silent;
    EXPECT_EQ(kbp_snd_interface(0x55), 1);
    EXPECT_EQ(at_data_port(), (Bytes{0xED}));
}

TEST_F(LedTunnel, ThePlainDispatchNeverTunnels) {
    EXPECT_EQ(kbp::kbd_transport_send(0xF4), 0);
    EXPECT_EQ(at_data_port(), (Bytes{0xF4}));
    EXPECT_EQ(keyboard.enable_commands, 1u);
}

TEST_F(LedTunnel, ModeBytesSwitchOnlyOnTheControllerPorts) {
    // With another path's flag set, 0xEC is an ordinary byte and the mode stays.
    kbp::interface_state.use_serial = 1;
    kbp::kbd_send_byte(0xEC);
    EXPECT_EQ(kbp::led_tunnel_state.ec_mode, 0u);
}

}  // namespace
