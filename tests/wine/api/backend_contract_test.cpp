#include <gtest/gtest.h>

#include "platform/backend_contract.h"

// Links only when the Win32 backend carries out every slot of the contract.
TEST(BackendContract, TheWin32BackendCarriesOutEverySlot) {
    for (auto slot : platform::every_backend_slot()) EXPECT_NE(slot, nullptr);
    // A slot that needs no device answers sensibly here too.
    EXPECT_NE(platform::tick_count(), 0u);
    EXPECT_FALSE(platform::port_io_permitted());  // Wine grants no port access
}
