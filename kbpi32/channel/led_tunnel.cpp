#include "led_tunnel.h"

#include "kbpi32/channel/controller_ports.h"
#include "kbpi32/channel/send_status.h"

namespace kbp {

LedTunnelState led_tunnel_state;

namespace {
constexpr std::uint8_t kSetLeds = 0xED;
constexpr std::uint8_t kEcModeOn = 0xEC;
constexpr std::uint8_t kEcModeOff = 0xEF;
constexpr std::uint8_t kLowNibbleTag = 0x10;
constexpr std::uint8_t kHighNibbleTag = 0x20;
constexpr std::uint8_t kHighNibbleEcTag = 0x30;
}  // namespace

std::uint8_t led_tunnel_send(int byte) {
    const auto b = static_cast<std::uint8_t>(byte);
    if (b == kEcModeOn) {
        led_tunnel_state.ec_mode = 1;
        return send_status::kSent;
    }
    if (b == kEcModeOff) {
        led_tunnel_state.ec_mode = 0;
        return send_status::kSent;
    }
    const std::uint8_t high_tag = led_tunnel_state.ec_mode ? kHighNibbleEcTag : kHighNibbleTag;
    const std::uint8_t tunnel[] = {kSetLeds, static_cast<std::uint8_t>(kLowNibbleTag | (b & 0x0F)), kSetLeds,
                                   static_cast<std::uint8_t>(high_tag | (b >> 4))};
    for (std::uint8_t part : tunnel)
        if (const std::uint8_t status = port_send_byte(part); status != send_status::kSent) return status;
    return send_status::kSent;
}

}  // namespace kbp
