#pragma once
// Bytes to the keyboard through the keyboard port driver "\\.\KelmKbpDrv".
#include <cstdint>

namespace kbp {

namespace port_driver {
constexpr char kDeviceName[] = "\\\\.\\KelmKbpDrv";
constexpr std::uint32_t kSendRequest = 0xB0008;  // device type 0x0B, function 2, METHOD_BUFFERED
constexpr std::uint8_t kRequestStart = 0xEF;
}  // namespace port_driver

// Hands the low byte of `byte` to the driver; no reply is awaited. 0 when the
// driver accepted the request, 1 when it did not or cannot be opened.
std::uint8_t portdrv_send_byte(int byte);

}  // namespace kbp
