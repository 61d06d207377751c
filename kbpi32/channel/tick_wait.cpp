#include "tick_wait.h"

#include "platform/platform.h"

namespace kbp {

ClockState::ClockState() : load_ticks(platform::tick_count()) {}

ClockState clock_state;

std::int32_t library_clock() { return static_cast<std::int32_t>(platform::tick_count() - clock_state.load_ticks); }

int tick_wait(int milliseconds) {
    const std::int32_t now = library_clock();
    if (milliseconds == 0) {
        clock_state.period_start = now;
        return 0;
    }
    // Compared as elapsed time, so the period also holds across the wrap of
    // the tick count.
    const auto elapsed = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                   static_cast<std::uint32_t>(clock_state.period_start));
    return elapsed < milliseconds ? 1 : 0;
}

}  // namespace kbp
