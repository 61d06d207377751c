#pragma once
#include <cstdint>

#include "platform/platform.h"

namespace sim {

// What GetVersionExA reports on the simulated PC.
struct Version {
    std::uint32_t platform_id = platform::kPlatformNt;
    std::uint32_t major = 5;
    std::uint32_t minor = 1;
    unsigned calls = 0;

    void set(std::uint32_t platform, std::uint32_t maj, std::uint32_t min) {
        platform_id = platform;
        major = maj;
        minor = min;
    }
};

Version& version();

}  // namespace sim
