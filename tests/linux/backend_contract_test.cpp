// The test program links only when the Linux backend carries out every slot
// of the platform contract.
#include "platform/backend_contract.h"

namespace kbp_test {
extern const decltype(platform::every_backend_slot()) every_linux_backend_slot;
const decltype(platform::every_backend_slot()) every_linux_backend_slot = platform::every_backend_slot();
}  // namespace kbp_test
