#include "byte_channel.h"

#include "kbpi32/channel/class_driver_send.h"
#include "kbpi32/channel/controller_ports.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/port_driver.h"
#include "kbpi32/channel/serial_port.h"
#include "kbpi32/channel/usb_binding.h"

namespace kbp {

ChannelState channel_state;

namespace {
constexpr std::uint8_t kSetLeds = 0xED;
constexpr std::uint8_t kEcModeOn = 0xEC;
constexpr std::uint8_t kEcModeOff = 0xEF;
constexpr std::uint8_t kLowNibbleTag = 0x10;
constexpr std::uint8_t kHighNibbleTag = 0x20;
constexpr std::uint8_t kHighNibbleEcTag = 0x30;
}  // namespace

std::uint8_t kbd_transport_send(int byte) {
    const InterfaceState& s = interface_state;
    if (s.use_usb) return usb_send_byte(byte);
    if (s.use_serial) return com_send_byte(byte);
    if (s.use_port_driver) return portdrv_send_byte(byte);
    if (s.use_class_driver) return classdrv_send_byte(byte);
    return port_send_byte(byte);
}

std::uint8_t kbd_send_byte(int byte) {
    ensure_interface_chosen();
    const InterfaceState& s = interface_state;
    if (s.use_class_driver || s.use_usb || s.use_port_driver || s.use_serial) return kbd_transport_send(byte);

    const auto b = static_cast<std::uint8_t>(byte);
    if (b == kEcModeOn) {
        channel_state.ec_mode = 1;
        return 0;
    }
    if (b == kEcModeOff) {
        channel_state.ec_mode = 0;
        return 0;
    }
    const std::uint8_t high_tag = channel_state.ec_mode ? kHighNibbleEcTag : kHighNibbleTag;
    const std::uint8_t tunnel[] = {kSetLeds, static_cast<std::uint8_t>(kLowNibbleTag | (b & 0x0F)), kSetLeds,
                                   static_cast<std::uint8_t>(high_tag | (b >> 4))};
    for (std::uint8_t part : tunnel) {
        const std::uint8_t status = kbd_transport_send(part);
        if (status != 0) return status;
    }
    return 0;
}

}  // namespace kbp
