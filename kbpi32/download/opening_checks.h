#pragma once
// Before the first block, the download makes sure the keyboard answers: it
// reads two bytes at address 0 through the capture library.
#include <cstdint>

namespace kbp {

// Binds the capture library, reads 2 bytes at address 0 over the chosen path,
// releases the library: 0 when the keyboard answered, 1 otherwise.
std::uint8_t download_check();
// The same, after the LED-tunnel form of the byte 0x00 went straight to the
// controller ports (whatever the path; a refusal there is not a failure).
std::uint8_t download_check_ports();

}  // namespace kbp
