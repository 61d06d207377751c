// The test program links only when the simulated PC carries out every slot of
// the platform contract: this table's references must all resolve.
#include "platform/backend_contract.h"

namespace kbp_test {
extern const decltype(platform::every_backend_slot()) every_sim_backend_slot;
const decltype(platform::every_backend_slot()) every_sim_backend_slot = platform::every_backend_slot();
}  // namespace kbp_test
