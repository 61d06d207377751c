#pragma once
// The millisecond period that paces the serial set-up.
#include <cstdint>

namespace kbp {

struct ClockState {
    std::uint32_t load_ticks;       // system tick count when the library was loaded
    std::int32_t period_start = 0;  // library clock at the last tick_wait(0)
    ClockState();
    bool operator==(const ClockState&) const = default;
};
extern ClockState clock_state;

// Milliseconds since the library was loaded.
std::int32_t library_clock();

// 0 starts a period (result 0); n > 0 answers 1 while fewer than n
// milliseconds have passed since, else 0.
int tick_wait(int milliseconds);

}  // namespace kbp
