#include "byte_channel.h"

#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/transports.h"

namespace kbp {

std::uint8_t kbd_transport_send(int byte) { return selected_transport().send(byte); }

std::uint8_t kbd_send_byte(int byte) {
    ensure_interface_chosen();
    return selected_transport().carry(byte);
}

}  // namespace kbp
