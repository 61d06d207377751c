#pragma once
// The LED tunnel: the framing of a byte on the controller ports. The keyboard
// takes nothing there but its own commands, so each byte rides as two set-LED
// commands, each carrying one tagged nibble.
#include <cstdint>

namespace kbp {

struct LedTunnelState {
    // 1 after the mode byte 0xEC, 0 after 0xEF: selects the tag of the high nibble.
    std::uint32_t ec_mode = 0;
    bool operator==(const LedTunnelState&) const = default;
};
extern LedTunnelState led_tunnel_state;

// 0xEC and 0xEF switch the mode and send nothing (0). Any other byte goes as
// 0xED, low nibble | 0x10, 0xED, high nibble | 0x20 (0x30 in ec mode), each to
// port_send_byte and each only after the one before was acknowledged: 0, or
// the first refusal.
std::uint8_t led_tunnel_send(int byte);

}  // namespace kbp
