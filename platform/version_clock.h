#pragma once
// The platform contract: Windows version (GetVersionExA) and clock (GetTickCount).
#include <cstdint>

namespace platform {

// Same layout as OSVERSIONINFOA: 148 bytes.
struct OsVersionInfo {
    std::uint32_t size;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t build;
    std::uint32_t platform_id;
    char service_pack[128];
};
static_assert(sizeof(OsVersionInfo) == 148);

constexpr std::uint32_t kPlatformWin32s = 0;
constexpr std::uint32_t kPlatformWin9x = 1;
constexpr std::uint32_t kPlatformNt = 2;

// Fills `info` (whose size field the caller has set) as GetVersionExA does.
// Returns false when the call failed; the record is then left as it was.
bool get_version(OsVersionInfo& info);

// Milliseconds since the system started, wrapping at 2^32.
std::uint32_t tick_count();

}  // namespace platform
