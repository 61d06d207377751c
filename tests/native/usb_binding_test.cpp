#include <vector>

#include "include/kbpi32.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/usb_binding.h"
#include "kbpi32/channel/frames.h"
#include "usb_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class UsbBinding : public UsbTest {
protected:
    UsbBinding() { kbp_set_interface(kbp::kUsb); }
    unsigned load_attempts() const { return sim::libraries().attempts("KBPUSB.DLL"); }
};

TEST_F(UsbBinding, ASentByteReachesTheKeyboardUnchangedAsOneReport) {
    sim::HidDevice& device = keyboard_on_usb(2);
    EXPECT_EQ(kbp_snd_interface(0x141), 0);
    // Mode bytes are ordinary bytes off the controller ports; nothing is tunnelled.
    EXPECT_EQ(kbp_snd_interface(0xEC), 0);
    EXPECT_EQ(kbp_snd_interface(0xED), 0);
    EXPECT_EQ(keyboard.received, (Bytes{0x41, 0xEC, 0xED}));
    EXPECT_EQ(device.reports.size(), 3u);
    EXPECT_EQ(load_attempts(), 1u);
}

TEST_F(UsbBinding, WithoutTheLibraryEveryByteFailsAndTriesToLoadItAgain) {
    keyboard_on_usb();
    sim::libraries().remove("KBPUSB.DLL");
    EXPECT_EQ(kbp_snd_interface(0x01), 1);
    EXPECT_EQ(kbp_snd_interface(0x02), 1);
    EXPECT_EQ(kbp_snd_interface(0x03), 1);
    EXPECT_EQ(load_attempts(), 3u);
    EXPECT_EQ(kbp::usb_bind(), 1);
    EXPECT_EQ(kbp::usb_release(), 1);
    EXPECT_EQ(load_attempts(), 4u);

    // Once it can be found, the next byte loads it and goes through.
    kbp_test::install_kbpusb();
    EXPECT_EQ(kbp_snd_interface(0x04), 0);
    EXPECT_EQ(keyboard.received, (Bytes{0x04}));
}

TEST_F(UsbBinding, ALibraryWithoutTheSendRoutineFailsEveryByteWithoutLoadingAgain) {
    keyboard_on_usb();
    kbp_test::install_kbpusb_without("snddata_USB");
    EXPECT_EQ(kbp_snd_interface(0x01), 1);
    EXPECT_EQ(kbp_snd_interface(0x02), 1);
    EXPECT_EQ(load_attempts(), 1u);
    EXPECT_EQ(keyboard.bytes_received, 0u);
    EXPECT_EQ(kbp::usb_bind(), 1);
}

TEST_F(UsbBinding, ASecondBindLoadsAgainAndReusesTheOpenDevice) {
    keyboard_on_usb();
    EXPECT_EQ(kbp::usb_bind(), 0);
    EXPECT_EQ(kbp::usb_send_byte(0x11), 0);
    EXPECT_EQ(kbp::usb_release(), 1);
    EXPECT_EQ(kbp::usb_bind(), 0);
    EXPECT_EQ(kbp::usb_send_byte(0x22), 0);
    EXPECT_EQ(sim::libraries().loads, 2u);
    EXPECT_EQ(sim::devices().opens, 1u);
    EXPECT_EQ(sim::hid().sets_made, 1u);
    EXPECT_EQ(keyboard.received, (Bytes{0x11, 0x22}));
}

TEST_F(UsbBinding, ReleaseLeavesTheDeviceOpenForTheClosingCommands) {
    EXPECT_EQ(kbp::usb_release(), 1);  // nothing loaded yet: nothing is loaded by it either
    EXPECT_EQ(load_attempts(), 0u);

    keyboard_on_usb();
    EXPECT_EQ(kbp_snd_interface(0x10), 0);
    EXPECT_EQ(kbp::usb_release(), 1);
    EXPECT_NE(kbp::usb_binding_state.close_usb, nullptr);
    EXPECT_EQ(kbp::send_end_of_download(), 0);
    EXPECT_EQ(kbp_snd_interface(0xF4), 0);
    EXPECT_EQ(keyboard.end_of_download, 1u);
    EXPECT_EQ(keyboard.enable_commands, 1u);
    EXPECT_EQ(sim::devices().opens, 1u);
    EXPECT_EQ(sim::devices().open_count(), 1u);
}

TEST_F(UsbBinding, ReleaseWithALibraryWithoutCloseCallsNothing) {
    keyboard_on_usb();
    kbp_test::install_kbpusb_without("Close_USB");
    EXPECT_EQ(kbp_snd_interface(0x10), 0);
    EXPECT_EQ(kbp::usb_release(), 1);
    EXPECT_EQ(kbp::usb_binding_state.close_usb, nullptr);
    EXPECT_EQ(kbp_snd_interface(0x11), 0);
}

TEST_F(UsbBinding, AnUnplugComesBackAsOneAndTheNextByteFindsTheKeyboardAgain) {
    sim::HidDevice& device = keyboard_on_usb();
    device.unplugs_at_write = 2;
    EXPECT_EQ(kbp_snd_interface(0x01), 0);
    EXPECT_EQ(kbp_snd_interface(0x02), 1);
    device.plug_back();
    EXPECT_EQ(kbp_snd_interface(0x03), 0);
    EXPECT_EQ(keyboard.received, (Bytes{0x01, 0x03}));
    EXPECT_EQ(load_attempts(), 1u);
}

TEST_F(UsbBinding, AReadRequestFrameIsDecodedByTheKeyboard) {
    keyboard_on_usb();
    ASSERT_EQ(kbp::send_read_request(0x1234, 8), 0);
    ASSERT_EQ(keyboard.frames.size(), 1u);
    const kbdsim::Frame& frame = keyboard.frames[0];
    EXPECT_EQ(frame.command, kbdsim::kReadRequest);
    EXPECT_EQ(frame.address, 0x1234);
    EXPECT_EQ(frame.count, 8);
    EXPECT_TRUE(frame.good);
}

TEST_F(UsbBinding, UsbGoesBeforeEveryOtherPath) {
    keyboard_on_usb();
    kbdsim::Keyboard on_controller;
    sim::controller().keyboard = &on_controller;
    // As a download with "USB" leaves them on Windows 2000: port driver and USB.
    kbp_set_interface(kbp::kPortDriver);
    kbp::interface_state.use_usb = 1;
    EXPECT_EQ(kbp_snd_interface(0x5A), 0);
    kbp::interface_state.use_ports = 1;
    kbp::interface_state.use_serial = 1;
    EXPECT_EQ(kbp_snd_interface(0x5B), 0);
    EXPECT_EQ(keyboard.received, (Bytes{0x5A, 0x5B}));
    EXPECT_EQ(on_controller.bytes_received, 0u);
    EXPECT_TRUE(sim::controller().bytes_to_keyboard.empty());
}

}  // namespace
