#pragma once
// The bounded wait for a keyboard reply on the class-driver path.
#include <cstdint>

#include "kbpi32/common/pending_timer.h"
#include "platform/platform.h"

namespace kbp {

// How long the keyboard has to answer a byte sent through the class driver.
constexpr std::uint32_t kKeyboardReplyTimeoutMs = 1500;

// The timer procedure of the reply wait (exported as TimeoutTimerProc): ends the
// timer and clears pending_timer, which tells the wait its time is up.
void KBP_STDCALL timeout_timer_proc(void* window, unsigned message, platform::TimerId timer, unsigned long time);

// One wait of kKeyboardReplyTimeoutMs for the keyboard. Starting it kills a
// leftover timer and starts the thread timer with timeout_timer_proc.
class ReplyDeadline {
public:
    ReplyDeadline();

    // False when the system could not start the timer (pending_timer is 0).
    bool timer_started() const { return timer_started_; }

    // Lets due timer messages of this thread run, then tells whether the
    // interval is over: the timer procedure has cleared pending_timer, or the
    // tick count shows the interval has passed (the timer is then killed).
    // The tick count is essential, not a fallback: while the caller has a quit
    // message pending, Windows hands that out ahead of any timer message, so
    // the timer procedure never runs and only the elapsed time ends the wait.
    // It also bounds the wait where no timer could be started.
    bool expired();

private:
    std::uint32_t started_;
    bool timer_started_;
};

}  // namespace kbp
