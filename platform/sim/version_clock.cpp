// Windows version and the tick clock of the simulated PC.
#include "platform/sim/clock.h"
#include "platform/sim/faults.h"
#include "platform/sim/version.h"
#include "platform/version_clock.h"

namespace platform {

bool get_version(OsVersionInfo& info) {
    if (sim::faults().refuses(sim::Call::get_version)) return false;
    sim::Version& v = sim::version();
    ++v.calls;
    if (info.size != sizeof(OsVersionInfo)) return false;
    info.major = v.major;
    info.minor = v.minor;
    info.platform_id = v.platform_id;
    info.build = 0;
    return true;
}

std::uint32_t tick_count() {
    sim::faults().note(sim::Call::tick_count);
    sim::Clock& c = sim::clock();
    ++c.readings;
    const std::uint32_t now = c.now_ms;
    c.now_ms += c.ms_per_reading;
    return now;
}

}  // namespace platform
