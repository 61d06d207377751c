#pragma once
// Every byte for the keyboard passes through here, by one of two ways.
#include <cstdint>

namespace kbp {

// The raw way: hands the low 8 bits of `byte` as they are to the transport the
// interface flags select (USB, serial, port driver, class driver, else the
// controller ports), never through the LED tunnel and without an automatic
// choice. For plain keyboard commands that must reach the keyboard as such on
// every path: the enable command that ends a download. 0 sent (and
// acknowledged where the transport waits), else the transport's own code.
std::uint8_t kbd_transport_send(int byte);

// The normal way, for every byte of a write-block or read-request frame, the
// end-of-download command and kbp_snd_interface's bytes: makes the automatic
// choice if none was made, then on the controller ports tunnels the byte as
// two set-LED commands (the ec-mode byte and the frame start only switch the
// tunnel's mode there and are not sent), and on every other path hands it to
// the transport as it is, exactly as kbd_transport_send would. 0, or the
// first failing send's code.
std::uint8_t kbd_send_byte(int byte);

}  // namespace kbp
