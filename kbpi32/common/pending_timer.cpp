#include "pending_timer.h"

namespace kbp {

TimerState timer_state;

void kill_pending_timer() {
    if (timer_state.pending_timer == 0) return;
    platform::kill_timer(timer_state.pending_timer);
    timer_state.pending_timer = 0;
}

}  // namespace kbp
