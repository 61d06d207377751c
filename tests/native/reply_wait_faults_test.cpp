// The class-driver reply wait when the timer's message does not come on time.
#include "kbpi32/channel/class_driver_send.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/common/status.h"
#include "sim_test.h"

namespace {

struct Delivery {
    const char* name;
    platform::windows_model::TimerDelivery delivery;
};

void PrintTo(const Delivery& d, std::ostream* os) { *os << d.name; }

class ReplyWaitFaults : public SimTest, public ::testing::WithParamInterface<Delivery> {
protected:
    ReplyWaitFaults() {
        sim::drivers().class_driver.install(&keyboard);
        keyboard.answers_echo = false;
        kbp::status_state.current_status = status;
    }
    char status[64] = {};
};

TEST_P(ReplyWaitFaults, EndsByTheTickCountAt1500MsAndLeavesNoTimer) {
    sim::messages().delivery = GetParam().delivery;
    const std::uint32_t start = sim::clock().now_ms;
    EXPECT_EQ(kbp::classdrv_echo_check(), 0);
    // The reading that shows 1500 ms is the last, and moves the clock on by 1 ms.
    EXPECT_EQ(sim::clock().now_ms - start, 1501u);
    EXPECT_EQ(sim::messages().dispatched, 0u);
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_TRUE(sim::messages().timers.empty());
}

INSTANTIATE_TEST_SUITE_P(TimerMessage, ReplyWaitFaults,
                         ::testing::Values(Delivery{"lost", {true, 0}}, Delivery{"1 ms late", {false, 1}},
                                           Delivery{"5 s late", {false, 5000}}));

}  // namespace
