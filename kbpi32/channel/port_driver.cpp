#include "port_driver.h"

#include "include/kbp_protocol.h"
#include "kbpi32/channel/send_status.h"
#include "platform/platform.h"

namespace kbp {

using namespace port_driver;

std::uint8_t portdrv_send_byte(int byte) {
    const platform::Handle device = platform::open_device(kDeviceName, platform::kGenericWrite, platform::kShareNone);
    if (device == platform::invalid_handle()) return send_status::kRefused;
    // Two little-endian 16-bit words: the driver's request marker, then the byte.
    const std::uint8_t request[4] = {KBP_PORT_DRIVER_REQUEST_MARKER & 0xFF, KBP_PORT_DRIVER_REQUEST_MARKER >> 8,
                                     static_cast<std::uint8_t>(byte), 0x00};
    std::uint8_t reply = 1;
    std::uint32_t returned = 0;
    const bool accepted =
        platform::device_control(device, kSendRequest, request, sizeof request, &reply, sizeof reply, &returned);
    platform::close_handle(device);
    return accepted ? send_status::kSent : send_status::kRefused;
}

}  // namespace kbp
