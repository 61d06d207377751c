// Serial port calls of the simulated PC, carried out by the device behind the handle.
#include "platform/serial.h"
#include "platform/sim/devices.h"
#include "platform/sim/faults.h"

namespace platform {

namespace {
sim::Device* device_for(sim::Call call, Handle port) {
    return sim::faults().refuses(call) ? nullptr : sim::devices().lookup(port);
}
}  // namespace

bool get_comm_state(Handle port, CommState& state) {
    sim::Device* d = device_for(sim::Call::get_comm_state, port);
    return d != nullptr && d->get_comm_state(state);
}

bool set_comm_state(Handle port, const CommState& state) {
    sim::Device* d = device_for(sim::Call::set_comm_state, port);
    return d != nullptr && d->set_comm_state(state);
}

bool setup_comm(Handle port, std::uint32_t in_queue, std::uint32_t out_queue) {
    sim::Device* d = device_for(sim::Call::setup_comm, port);
    return d != nullptr && d->setup_comm(in_queue, out_queue);
}

bool get_comm_timeouts(Handle port, CommTimeouts& timeouts) {
    sim::Device* d = device_for(sim::Call::get_comm_timeouts, port);
    return d != nullptr && d->get_comm_timeouts(timeouts);
}

bool set_comm_timeouts(Handle port, const CommTimeouts& timeouts) {
    sim::Device* d = device_for(sim::Call::set_comm_timeouts, port);
    return d != nullptr && d->set_comm_timeouts(timeouts);
}

bool purge_comm(Handle port, std::uint32_t flags) {
    sim::Device* d = device_for(sim::Call::purge_comm, port);
    return d != nullptr && d->purge_comm(flags);
}

}  // namespace platform
