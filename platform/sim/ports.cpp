// The keyboard controller ports of the simulated PC.
#include "platform/ports.h"
#include "platform/sim/controller.h"

namespace platform {

bool port_io_permitted() { return sim::controller().io_permitted; }

std::uint8_t port_read(std::uint16_t port) { return sim::controller().read(port); }

void port_write(std::uint16_t port, std::uint8_t value) { sim::controller().write(port, value); }

}  // namespace platform
