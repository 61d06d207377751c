// Run-time loading on the simulated PC: the libraries a test installed.
#include "platform/loading.h"
#include "platform/sim/faults.h"
#include "platform/sim/libraries.h"

namespace platform {

Module load_library(const char* name) {
    sim::libraries().note_attempt(name);
    if (sim::faults().refuses(sim::Call::load_library)) return nullptr;
    return sim::libraries().load(name);
}

void* find_symbol(Module module, const char* name) {
    if (sim::faults().refuses(sim::Call::find_symbol)) return nullptr;
    return sim::libraries().find(module, name);
}

}  // namespace platform
