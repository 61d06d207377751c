// The exports of kbpi32: the C entry points host programs call. kbp_download
// and kbp_read_port_text, which name serial ports, are in port_exports.cpp.
#include "include/kbpi32.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "kbpi32/channel/byte_channel.h"
#include "kbpi32/channel/class_driver.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/reply_timer.h"
#include "kbpi32/common/last_transfer.h"
#include "kbpi32/upload/read_transaction.h"
#include "kbpi32/upload/upload_engine.h"
#include "platform/timers_messages.h"

extern "C" {

// The header's timer procedures are what SetTimer takes, on both architectures.
static_assert(std::is_same_v<decltype(&TimeoutTimerProc), platform::TimerProc>);
static_assert(std::is_same_v<decltype(&UploadTimerProc), platform::TimerProc>);

int KBPI32_CALL kbp_upload(const char* file, char* status, kbp_progress_callback progress) {
    return kbp::kbp_upload(file, status, progress);
}

int KBPI32_CALL kbp_get_last_transfer(struct kbp_last_transfer* last) {
    if (last == nullptr) return 1;
    const kbp::LastTransferState& s = kbp::last_transfer_state;
    *last = kbp_last_transfer{};
    last->cause = s.cause;
    last->bytes_sent = s.bytes_sent;
    static_assert(sizeof last->line_settings == sizeof s.line_settings);
    std::memcpy(last->line_settings, s.line_settings, sizeof s.line_settings);
    return 0;
}

unsigned char KBPI32_CALL kbp_set_interface(int kind) { return kbp::set_interface(kind); }

unsigned char KBPI32_CALL kbp_get_interface(void) { return kbp::get_interface(); }

void KBPI32_CALL kbp_chk_interface(int) {}

unsigned char KBPI32_CALL kbp_snd_interface(int byte) { return kbp::kbd_send_byte(byte); }

int KBPI32_CALL vdd_translate_on(void) { return kbp::vdd_translate_on(); }

int KBPI32_CALL vdd_translate_off(void) { return kbp::vdd_translate_off(); }

int KBPI32_CALL vdd_kbd_capture(void) { return kbp::vdd_kbd_capture(); }

int KBPI32_CALL vdd_kbd_release(void) { return kbp::vdd_kbd_release(); }

int KBPI32_CALL vdd_kbd_clr(void) { return kbp::vdd_kbd_clr(); }

int KBPI32_CALL vdd_EF_available(void) { return kbp::vdd_EF_available(); }

unsigned char KBPI32_CALL vdd_EF_get(void) { return kbp::vdd_EF_get(); }

int KBPI32_CALL vdd_sendbyte(int value) { return kbp::vdd_sendbyte(value); }

void KBPI32_CALL TimeoutTimerProc(void* window, unsigned int message, uintptr_t timer, unsigned long time) {
    kbp::timeout_timer_proc(window, message, timer, time);
}

void KBPI32_CALL UploadTimerProc(void* window, unsigned int message, uintptr_t timer, unsigned long time) {
    kbp::upload_timer_proc(window, message, timer, time);
}

}  // extern "C"
