#pragma once
// SHA-256 of an image, as the record of a transfer names the image by.
#include <cstdint>
#include <string>
#include <vector>

namespace kbptool {
// 64 lower-case hex digits.
std::string sha256_hex(const std::vector<std::uint8_t>& data);
}  // namespace kbptool
