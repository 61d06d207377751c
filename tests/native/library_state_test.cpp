#include <cstring>

#include "include/kbpi32.h"
#include "kbpi32/api/library_state.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/led_tunnel.h"
#include "kbpi32/channel/reply_timer.h"
#include "kbpi32/channel/tick_wait.h"
#include "kbpi32/channel/usb_binding.h"
#include "kbpi32/common/held_quit.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/download/download_engine.h"
#include "kbpi32/upload/function_library.h"
#include "kbpi32/upload/read_transaction.h"
#include "kbpi32/upload/upload_engine.h"
#include "serial_test.h"

namespace {

using LibraryState = SerialTest;

bool same_serial_state(const kbp::SerialState& a, const kbp::SerialState& b) {
    return a.com_handle == b.com_handle && std::memcmp(&a.dcb, &b.dcb, sizeof a.dcb) == 0 &&
           std::memcmp(&a.timeouts, &b.timeouts, sizeof a.timeouts) == 0 &&
           std::memcmp(a.port_settings, b.port_settings, sizeof a.port_settings) == 0 &&
           std::memcmp(a.device_name, b.device_name, sizeof a.device_name) == 0;
}

std::uint8_t KBP_STDCALL some_send(int) { return 0; }
std::uint8_t KBP_STDCALL some_close() { return 0; }
void KBP_STDCALL some_progress(int) {}

TEST_F(LibraryState, TheResetPutsEveryProcessWideVariableBackAsLoaded) {
    sim::clock().ms_per_reading = 0;
    kbp_set_interface(1);
    ASSERT_EQ(kbp_snd_interface(0xEC), 0);
    kbp::interface_state = {1, 1, 1, 1, 1, 1};
    ASSERT_EQ(open_and_configure("COM1:9600,N,8,1"), 0);  // also the status buffer
    sim::clock().advance(250);
    kbp::tick_wait(0);
    kbp::timer_state.pending_timer = platform::set_timer(1500, kbp::timeout_timer_proc);
    kbp::usb_binding_state = {reinterpret_cast<platform::Module>(0x10000), some_send, some_close};
    kbp::function_library_state.library = reinterpret_cast<platform::Module>(0x20000);
    kbp::function_library_state.slots[3] = &kbp::function_library_state;
    kbp::function_library_state.resolved = kbp::function_library_state.set_up = true;
    kbp::capture_complete(34);
    kbp::upload_state = {{}, 8, 24, 1023, 3, some_progress};
    kbp::upload_state.image_buffer[8999] = 0x5A;
    kbp::download_state.progress = some_progress;
    kbp::hold_quit(3);

    ASSERT_EQ(kbp::led_tunnel_state.ec_mode, 1u);
    ASSERT_NE(kbp::status_state.current_status, nullptr);
    ASSERT_NE(kbp::clock_state.period_start, 0);
    ASSERT_NE(kbp::serial_state.com_handle, platform::invalid_handle());
    ASSERT_NE(kbp::timer_state.pending_timer, 0u);

    kbp::reset_library_state();
    EXPECT_EQ(kbp::interface_state, kbp::InterfaceState{});
    EXPECT_EQ(kbp::status_state, kbp::StatusState{});
    EXPECT_EQ(kbp::led_tunnel_state, kbp::LedTunnelState{});
    EXPECT_EQ(kbp::clock_state, kbp::ClockState{});
    EXPECT_EQ(kbp::clock_state.period_start, 0);
    EXPECT_TRUE(same_serial_state(kbp::serial_state, kbp::SerialState{}));
    EXPECT_EQ(kbp::timer_state, kbp::TimerState{});
    EXPECT_EQ(kbp::quit_state, kbp::QuitState{});
    EXPECT_EQ(kbp::usb_binding_state, kbp::UsbBindingState{});
    EXPECT_EQ(kbp::function_library_state, kbp::FunctionLibraryState{});
    EXPECT_EQ(kbp::capture_state, kbp::CaptureState{});
    EXPECT_EQ(kbp::upload_state, kbp::UploadState{});
    EXPECT_EQ(kbp::download_state, kbp::DownloadState{});
}

}  // namespace
