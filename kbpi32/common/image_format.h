#pragma once
// The configuration image file: the magic "Kelm", then keyboard memory from
// address 4, so that file offset k holds keyboard address k.
#include <cstdint>

namespace kbp {

constexpr std::uint8_t kImageMagic[4] = {0x4B, 0x65, 0x6C, 0x6D};  // "Kelm"
constexpr std::int32_t kFirstImageAddress = 4;

}  // namespace kbp
