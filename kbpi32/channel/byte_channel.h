#pragma once
// Every byte for the keyboard passes through here.
#include <cstdint>

namespace kbp {

struct ChannelState {
    // 1 after the mode byte 0xEC on the controller ports, 0 after 0xEF: selects
    // the tag of the tunnelled high nibble.
    std::uint32_t ec_mode = 0;
};
extern ChannelState channel_state;

// Sends the low 8 bits of `byte` unchanged over the transport the interface
// flags select: USB, serial, port driver, class driver, else controller ports.
// 0 sent (and acknowledged where the transport waits), else its failure code.
std::uint8_t kbd_transport_send(int byte);

// Makes the automatic choice if none was made, then sends the byte unchanged,
// or on the controller ports as two set-LED commands carrying its nibbles.
std::uint8_t kbd_send_byte(int byte);

}  // namespace kbp
