#include <gtest/gtest.h>

#include "platform/backend_contract.h"
#include "platform/sim/faults.h"

// Links only when the simulated PC carries out every slot of the contract,
TEST(BackendContract, TheSimulatedPcCarriesOutEverySlot) {
    for (auto slot : platform::every_backend_slot()) EXPECT_NE(slot, nullptr);
    // and its fault interface knows one call per slot.
    EXPECT_EQ(platform::every_backend_slot().size(), static_cast<std::size_t>(sim::Call::count_));
}
