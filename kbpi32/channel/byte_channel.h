#pragma once
// Every byte for the keyboard passes through here.
#include <cstdint>

namespace kbp {

// kbd_transport_send is the raw send (never tunnelled); kbd_send_byte is the
// normal entry, which chooses a path if needed and frames the byte for it.

// Sends the low 8 bits of `byte` unchanged over the transport the interface
// flags select: USB, serial, port driver, class driver, else controller ports.
// 0 sent (and acknowledged where the transport waits), else its failure code.
std::uint8_t kbd_transport_send(int byte);

// Makes the automatic choice if none was made, then hands the byte to the
// selected transport's framing: the LED tunnel on the controller ports,
// unchanged on every other path.
std::uint8_t kbd_send_byte(int byte);

}  // namespace kbp
