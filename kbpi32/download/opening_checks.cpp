#include "opening_checks.h"

#include "include/kbp_protocol.h"
#include "kbpi32/channel/controller_ports.h"
#include "kbpi32/upload/function_library.h"
#include "kbpi32/upload/read_transaction.h"

namespace kbp {

namespace {

std::uint8_t read_address_zero(bool tunnel_first) {
    if (bind_function_library() != 0) {
        release_function_library();
        return 1;
    }
    // The LED-tunnel form of the byte 0x00, straight to the controller ports.
    if (tunnel_first)
        for (std::uint8_t byte : {KBP_SET_LEDS, KBP_TUNNEL_LOW_NIBBLE_TAG, KBP_SET_LEDS, KBP_TUNNEL_HIGH_NIBBLE_TAG})
            port_send_byte(byte);
    const std::uint8_t result = read_block(0, 2);
    release_function_library();
    return result;
}

}  // namespace

std::uint8_t download_check() { return read_address_zero(false); }

std::uint8_t download_check_ports() { return read_address_zero(true); }

}  // namespace kbp
