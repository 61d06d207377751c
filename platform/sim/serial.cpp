// Serial port calls of the simulated PC, carried out by the device behind the handle.
#include "platform/serial.h"
#include "platform/sim/devices.h"

namespace platform {

bool get_comm_state(Handle port, CommState& state) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->get_comm_state(state);
}

bool set_comm_state(Handle port, const CommState& state) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->set_comm_state(state);
}

bool setup_comm(Handle port, std::uint32_t in_queue, std::uint32_t out_queue) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->setup_comm(in_queue, out_queue);
}

bool get_comm_timeouts(Handle port, CommTimeouts& timeouts) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->get_comm_timeouts(timeouts);
}

bool set_comm_timeouts(Handle port, const CommTimeouts& timeouts) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->set_comm_timeouts(timeouts);
}

bool purge_comm(Handle port, std::uint32_t flags) {
    sim::Device* d = sim::devices().lookup(port);
    return d != nullptr && d->purge_comm(flags);
}

}  // namespace platform
