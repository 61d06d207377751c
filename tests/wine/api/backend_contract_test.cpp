#include <gtest/gtest.h>

#include "platform/backend_contract.h"

// The program links only when the Win32 backend carries out every slot of the
// contract: this table's references must all resolve.
extern const decltype(platform::every_backend_slot()) every_win32_backend_slot;
const decltype(platform::every_backend_slot()) every_win32_backend_slot = platform::every_backend_slot();

TEST(BackendContract, SlotsThatNeedNoDeviceAnswerSensibly) {
    EXPECT_NE(platform::tick_count(), 0u);
    EXPECT_FALSE(platform::port_io_permitted());  // Wine grants no port access
}
