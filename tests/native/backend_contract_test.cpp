#include <gtest/gtest.h>

#include "platform/backend_contract.h"

// Links only when the simulated PC carries out every slot of the contract.
TEST(BackendContract, TheSimulatedPcCarriesOutEverySlot) {
    for (auto slot : platform::every_backend_slot()) EXPECT_NE(slot, nullptr);
}
