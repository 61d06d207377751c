#pragma once
#include <cstdint>

namespace kbp {

// 1 when the running Windows has a platform identifier above `platform`, or the
// same platform, exactly the major version `major` and at least minor `minor`.
// A failed version call reads as platform 0, version 0.0.
int check_os_version(std::uint32_t platform, std::uint32_t major, std::uint32_t minor);
int is_nt4();
int is_nt5();

}  // namespace kbp
