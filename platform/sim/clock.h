#pragma once
#include <cstdint>

namespace sim {

// The simulated PC's millisecond clock. It moves only when something waits:
// every reading of the tick count costs `ms_per_reading`, and blocking waits
// (timer messages, serial time-outs) jump it forward, so long time-outs cost no
// real time and every run is deterministic.
struct Clock {
    std::uint32_t now_ms = 0x00100000;  // a PC that has been up for a while
    std::uint32_t ms_per_reading = 1;
    std::uint64_t readings = 0;

    void advance(std::uint32_t ms) { now_ms += ms; }
};

Clock& clock();

}  // namespace sim
