// The test program links only when the simulated PC carries out every slot of
// the platform contract: this table's references must all resolve.
#include "platform/backend_contract.h"
#include "platform/sim/faults.h"

namespace kbp_test {
extern const decltype(platform::every_backend_slot()) every_sim_backend_slot;
const decltype(platform::every_backend_slot()) every_sim_backend_slot = platform::every_backend_slot();
}  // namespace kbp_test

// The fault interface knows one call per slot.
static_assert(std::tuple_size_v<decltype(platform::every_backend_slot())> == static_cast<std::size_t>(sim::Call::count_));
