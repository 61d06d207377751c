#include "class_driver_send.h"

#include "include/kbp_protocol.h"
#include "kbpi32/channel/class_driver.h"
#include "kbpi32/channel/reply_timer.h"
#include "kbpi32/channel/send_status.h"
#include "kbpi32/common/status.h"
#include "kbpi32/common/texts.h"

namespace kbp {

namespace {

enum class Reply { acknowledged, resend, timed_out };

// Waits for an acknowledge or a resend request; other bytes (keystrokes) are dropped.
Reply await_reply(ReplyDeadline& deadline) {
    for (;;) {
        if (vdd_EF_available() != 0) {
            const std::uint8_t byte = vdd_EF_get();
            if (byte == KBP_ACKNOWLEDGE) return Reply::acknowledged;
            if (byte == KBP_RESEND) return Reply::resend;
        }
        if (deadline.expired()) return Reply::timed_out;
    }
}

void clear_and_release() {
    vdd_kbd_clr();
    vdd_kbd_release();
}

}  // namespace

std::uint8_t classdrv_send_byte(int byte) {
    for (int attempt = 0; attempt < kClassDriverAttempts; ++attempt) {
        // Capture before sending, so the reply cannot slip past as a keystroke.
        vdd_kbd_capture();
        vdd_sendbyte(byte);
        ReplyDeadline deadline;
        if (await_reply(deadline) == Reply::acknowledged) {
            // Answered: the keyboard goes back to the system at once; the
            // timer, which no longer bounds anything, is stopped after.
            clear_and_release();
            kill_pending_timer();
            return send_status::kSent;
        }
    }
    // Given up: the last attempt's timer is stopped first, then the held bytes
    // are dropped and the keyboard released. Either order leaves no timer.
    kill_pending_timer();
    clear_and_release();
    return send_status::kRefused;
}

std::uint8_t classdrv_echo_check() {
    // The timer runs before anything is sent.
    ReplyDeadline deadline;
    vdd_sendbyte(KBP_ECHO);
    // Without a timer the check fails at once.
    if (deadline.timer_started()) {
        for (;;) {
            if (vdd_EF_available() != 0 && vdd_EF_get() == KBP_ECHO) return KBP_ECHO;
            if (deadline.expired()) break;
        }
    }
    write_status("%s", text::kEeCheckFailed);
    return 0;
}

}  // namespace kbp
