// Windows version and the tick clock of the simulated PC.
#include "platform/sim/clock.h"
#include "platform/sim/version.h"
#include "platform/version_clock.h"

namespace platform {

bool get_version(OsVersionInfo& info) {
    sim::Version& v = sim::version();
    ++v.calls;
    if (v.call_fails || info.size != sizeof(OsVersionInfo)) return false;
    info.major = v.major;
    info.minor = v.minor;
    info.platform_id = v.platform_id;
    info.build = 0;
    return true;
}

std::uint32_t tick_count() {
    sim::Clock& c = sim::clock();
    ++c.readings;
    const std::uint32_t now = c.now_ms;
    c.now_ms += c.ms_per_reading;
    return now;
}

}  // namespace platform
