// The keyboard controller ports: a Linux program never touches them (the
// kernel's i8042 driver owns them), so access is refused as on an NT system
// without a driver that grants it.
#include "platform/ports.h"

namespace platform {

bool port_io_permitted() { return false; }

// Never called while access is refused; a read of a bus nobody drives.
std::uint8_t port_read(std::uint16_t) { return 0xFF; }

void port_write(std::uint16_t, std::uint8_t) {}

}  // namespace platform
