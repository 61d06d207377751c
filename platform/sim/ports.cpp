// The keyboard controller ports of the simulated PC.
#include "platform/ports.h"
#include "platform/sim/controller.h"
#include "platform/sim/faults.h"

namespace platform {

// Whether port access is granted is the PC's state, not a failing call.
bool port_io_permitted() {
    sim::faults().note(sim::Call::port_io_permitted);
    return sim::controller().io_permitted;
}

std::uint8_t port_read(std::uint16_t port) {
    sim::faults().note(sim::Call::port_read);
    return sim::controller().read(port);
}

void port_write(std::uint16_t port, std::uint8_t value) {
    sim::faults().note(sim::Call::port_write);
    sim::controller().write(port, value);
}

}  // namespace platform
