#pragma once
// What a byte-level send reports: 0 sent, else the failing transport's own code.
#include <cstdint>

namespace kbp::send_status {
// Handed over and, where the transport waits for one, acknowledged.
constexpr std::uint8_t kSent = 0;
// The one failure code of the controller ports, both drivers and USB.
constexpr std::uint8_t kRefused = 1;
}  // namespace kbp::send_status
