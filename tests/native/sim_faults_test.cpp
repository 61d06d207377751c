// The simulated PC's record of system calls, and a refused call among them.
#include <vector>

#include "kbpi32/channel/port_driver.h"
#include "sim_test.h"

namespace {

using sim::Call;

class SimFaults : public SimTest {};

TEST_F(SimFaults, ListTheCallsOfAScenarioInOrderAndRefuseTheOneNamed) {
    sim::drivers().port_driver.install(&keyboard);
    sim::faults().calls.clear();
    EXPECT_EQ(kbp::portdrv_send_byte(0x30), 0);
    EXPECT_EQ(sim::faults().calls, (std::vector<Call>{Call::open_device, Call::device_control, Call::close_handle}));

    sim::faults().fail_once(Call::device_control, 1);
    EXPECT_EQ(kbp::portdrv_send_byte(0x31), 0);
    EXPECT_EQ(kbp::portdrv_send_byte(0x32), 1);
    EXPECT_EQ(kbp::portdrv_send_byte(0x33), 0);
    EXPECT_EQ(sim::faults().uses(Call::device_control), 4u);
    EXPECT_EQ(sim::drivers().port_driver.sent, (std::vector<std::uint8_t>{0x30, 0x31, 0x33}));
}

}  // namespace
