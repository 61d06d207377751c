#pragma once
// The five paths to the keyboard, in the order the interface flags are tested.
#include <cstdint>
#include <span>

#include "kbpi32/channel/interface_state.h"

namespace kbp {

using SendByte = std::uint8_t (*)(int byte);

struct Transport {
    const char* name;
    std::uint32_t InterfaceState::*selected_by;
    // One byte as it is, to the keyboard: send_status, or the serial line's own
    // codes. kbd_transport_send ends here.
    SendByte send;
    // How kbd_send_byte carries a byte on this path: `send` itself, or the LED
    // tunnel on the controller ports.
    SendByte carry;
};

// USB, serial, port driver, class driver, controller ports. Several flags can
// be set at once; the first entry whose flag is set wins.
std::span<const Transport> transports();

// The first transport whose flag is set; the controller ports when none of the
// others is, whether use_ports is set or not.
const Transport& selected_transport();

}  // namespace kbp
