// Windows version and the tick clock.
#include <windows.h>

#include <cstddef>

#include "platform/version_clock.h"

namespace platform {

static_assert(sizeof(OsVersionInfo) == sizeof(OSVERSIONINFOA));
static_assert(offsetof(OsVersionInfo, platform_id) == offsetof(OSVERSIONINFOA, dwPlatformId));

bool get_version(OsVersionInfo& info) {
    return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
}

std::uint32_t tick_count() { return GetTickCount(); }

}  // namespace platform
