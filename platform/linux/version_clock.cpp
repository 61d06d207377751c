// The Windows version the library sees on Linux, and the tick clock.
#include <cstring>

#include "platform/linux/message_loop.h"
#include "platform/version_clock.h"

namespace platform {

// An NT 6.1 system (Windows 7): neither keyboard driver is the automatic
// choice there, and the controller ports it falls back on refuse.
bool get_version(OsVersionInfo& info) {
    if (info.size != sizeof(OsVersionInfo)) return false;
    info.major = 6;
    info.minor = 1;
    info.build = 7601;
    info.platform_id = kPlatformNt;
    std::memset(info.service_pack, 0, sizeof info.service_pack);
    return true;
}

std::uint32_t tick_count() { return static_cast<std::uint32_t>(linux_backend::monotonic_ms()); }

}  // namespace platform
