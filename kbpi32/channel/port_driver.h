#pragma once
// Bytes to the keyboard through the keyboard port driver "\\.\KelmKbpDrv".
#include <cstdint>

namespace kbp {

namespace port_driver {
constexpr char kDeviceName[] = "\\\\.\\KelmKbpDrv";
constexpr std::uint32_t kSendRequest = 0xB0008;  // device type 0x0B, function 2, METHOD_BUFFERED
}  // namespace port_driver

// The port-driver transport (port_send_byte is the controller ports').
// Hands the low byte of `byte` to the driver; no reply is awaited. kSent when
// the driver accepted the request, kRefused when it did not or cannot be opened.
std::uint8_t portdrv_send_byte(int byte);

}  // namespace kbp
