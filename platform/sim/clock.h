#pragma once
#include <cstdint>

namespace sim {

// The simulated PC's millisecond clock. It moves only when something waits:
// every reading of the tick count costs `ms_per_reading`, and blocking waits
// (timer messages, serial time-outs) jump it forward, so long time-outs cost no
// real time and every run is deterministic.
struct Clock {
    static constexpr std::uint32_t kUpSince = 0x00100000;  // a PC that has been up for a while

    std::uint32_t now_ms = kUpSince;
    std::uint32_t ms_per_reading = 1;
    std::uint64_t readings = 0;

    void advance(std::uint32_t ms) { now_ms += ms; }

    // The clock without the tick count's wrap at 2^32, for deadlines: it
    // follows every change of now_ms, by less than half the wrap either way.
    std::uint64_t unwrapped_ms() {
        unwrapped_ms_ += static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(now_ms - seen_ms_)));
        seen_ms_ = now_ms;
        return unwrapped_ms_;
    }

private:
    std::uint32_t seen_ms_ = kUpSince;
    // Far enough from 0 that a clock set back never goes below it; its low
    // 32 bits are the tick count.
    std::uint64_t unwrapped_ms_ = (std::uint64_t{1} << 40) + kUpSince;
};

Clock& clock();

}  // namespace sim
