#include "reply_timer.h"

namespace kbp {

void KBP_STDCALL timeout_timer_proc(void*, unsigned, platform::TimerId, unsigned long) { kill_pending_timer(); }

ReplyDeadline::ReplyDeadline() {
    // A timer left running would fire into this wait and end it early.
    kill_pending_timer();
    timer_state.pending_timer = platform::set_timer(kKeyboardReplyTimeoutMs, timeout_timer_proc);
    timer_started_ = timer_state.pending_timer != 0;
    started_ = platform::tick_count();
}

bool ReplyDeadline::expired() {
    platform::Message message{};
    if (platform::peek_timer_message(message)) {
        if (message.message == platform::kWmQuit) {
            // The caller's: it stays pending, and the tick count ends this wait.
            platform::post_quit_message(static_cast<int>(message.wparam));
        } else {
            platform::translate_message(message);
            platform::dispatch_message(message);
        }
    }
    if (timer_started_ && timer_state.pending_timer == 0) return true;
    if (platform::tick_count() - started_ >= kKeyboardReplyTimeoutMs) {
        kill_pending_timer();
        return true;
    }
    return false;
}

}  // namespace kbp
