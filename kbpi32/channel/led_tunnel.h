#pragma once
// The LED tunnel: the framing of a byte on the controller ports. The keyboard
// takes nothing there but its own commands, so each byte rides as two set-LED
// commands, each carrying one tagged nibble.
#include <cstdint>

namespace kbp {

struct LedTunnelState {
    // 1 after the ec-mode byte, 0 after the frame start: selects the tag of
    // the high nibble.
    std::uint32_t ec_mode = 0;
    bool operator==(const LedTunnelState&) const = default;
};
extern LedTunnelState led_tunnel_state;

// The ec-mode byte and the frame start switch the mode and send nothing (0).
// Any other byte goes as set-LED, tagged low nibble, set-LED, tagged high
// nibble, each to port_send_byte and each only after the one before was
// acknowledged: 0, or the first refusal.
std::uint8_t led_tunnel_send(int byte);

}  // namespace kbp
