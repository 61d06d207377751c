#include "kbpi32/channel/tick_wait.h"
#include "sim_test.h"

namespace {

class TickWait : public SimTest {
protected:
    TickWait() { sim::clock().ms_per_reading = 0; }
};

TEST_F(TickWait, APeriodLastsItsLengthFromTheLastStart) {
    kbp::tick_wait(0);
    EXPECT_EQ(kbp::tick_wait(10), 1);
    sim::clock().advance(9);
    EXPECT_EQ(kbp::tick_wait(10), 1);
    sim::clock().advance(1);
    EXPECT_EQ(kbp::tick_wait(10), 0);

    kbp::tick_wait(0);
    EXPECT_EQ(kbp::tick_wait(10), 1);
    sim::clock().advance(25);
    EXPECT_EQ(kbp::tick_wait(10), 0);
}

TEST_F(TickWait, HoldsAcrossTheWrapOfTheTickCount) {
    sim::clock().now_ms = 0xFFFFFFFAu;
    kbp::tick_wait(0);
    sim::clock().advance(8);  // the system tick count wraps to 2
    EXPECT_EQ(kbp::tick_wait(10), 1);
    sim::clock().advance(2);
    EXPECT_EQ(kbp::tick_wait(10), 0);
}

TEST_F(TickWait, ABusyPauseEndsOnTheSimulatedClock) {
    sim::clock().ms_per_reading = 1;
    const std::uint32_t start = sim::clock().now_ms;
    kbp::tick_wait(0);
    while (kbp::tick_wait(10) == 1) {
    }
    EXPECT_GE(sim::clock().now_ms - start, 10u);
    EXPECT_LE(sim::clock().now_ms - start, 12u);
}

}  // namespace
