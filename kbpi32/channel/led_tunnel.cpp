#include "led_tunnel.h"

#include "include/kbp_protocol.h"
#include "kbpi32/channel/controller_ports.h"
#include "kbpi32/channel/send_status.h"

namespace kbp {

LedTunnelState led_tunnel_state;

std::uint8_t led_tunnel_send(int byte) {
    const auto b = static_cast<std::uint8_t>(byte);
    if (b == KBP_TUNNEL_EC_MODE) {
        led_tunnel_state.ec_mode = 1;
        return send_status::kSent;
    }
    // The frame start never reaches the keyboard here: it only ends ec mode.
    if (b == KBP_FRAME_START) {
        led_tunnel_state.ec_mode = 0;
        return send_status::kSent;
    }
    const std::uint8_t high_tag = led_tunnel_state.ec_mode ? KBP_TUNNEL_HIGH_NIBBLE_EC_TAG : KBP_TUNNEL_HIGH_NIBBLE_TAG;
    const std::uint8_t tunnel[] = {KBP_SET_LEDS, static_cast<std::uint8_t>(KBP_TUNNEL_LOW_NIBBLE_TAG | (b & 0x0F)),
                                   KBP_SET_LEDS, static_cast<std::uint8_t>(high_tag | (b >> 4))};
    static_assert(sizeof tunnel == KBP_TUNNEL_LINK_BYTES);
    for (std::uint8_t part : tunnel)
        if (const std::uint8_t status = port_send_byte(part); status != send_status::kSent) return status;
    return send_status::kSent;
}

}  // namespace kbp
