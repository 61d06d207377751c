#pragma once
// The library's one thread timer. The class-driver waits and the upload's read
// transaction share it; only one of them waits at a time.
#include "platform/platform.h"

namespace kbp {

struct TimerState {
    // The running thread timer of the library, 0 when none runs.
    platform::TimerId pending_timer = 0;
    bool operator==(const TimerState&) const = default;
};
extern TimerState timer_state;

// Kills the running timer, if any, and clears pending_timer.
void kill_pending_timer();

}  // namespace kbp
