#include "os_version.h"

#include <cstring>

#include "platform/platform.h"

namespace kbp {

int check_os_version(std::uint32_t platform, std::uint32_t major, std::uint32_t minor) {
    platform::OsVersionInfo info;
    std::memset(&info, 0, sizeof info);
    info.size = sizeof info;
    if (!platform::get_version(info)) std::memset(&info, 0, sizeof info);
    if (info.platform_id > platform) return 1;
    if (info.platform_id < platform) return 0;
    if (info.major != major) return 0;
    return info.minor >= minor ? 1 : 0;
}

int is_nt4() { return check_os_version(platform::kPlatformNt, 4, 0); }
int is_nt5() { return check_os_version(platform::kPlatformNt, 5, 0); }

}  // namespace kbp
