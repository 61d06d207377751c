#pragma once
// The platform contract: keyboard controller ports (x86 in/out).
#include <cstdint>

namespace platform {

// Whether this process may execute byte-wide port I/O, found out without ever
// faulting the process. A grant holds for the life of the process; a refusal
// is asked again at the next call. Where it answers false, port_read and
// port_write must not be called.
bool port_io_permitted();
std::uint8_t port_read(std::uint16_t port);
void port_write(std::uint16_t port, std::uint8_t value);

}  // namespace platform
