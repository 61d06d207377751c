// The thread's message queue on the real clock.
#include <chrono>

#include "linux_test.h"
#include "platform/linux/message_loop.h"
#include "platform/platform.h"

namespace kbp_test {
namespace {

int fired = 0;
void KBP_STDCALL count_firing(void*, unsigned, platform::TimerId, unsigned long) { ++fired; }

using MessageLoop = LinuxBackend;

TEST_F(MessageLoop, ATimerFiresAfterItsIntervalWhenItsMessageIsDispatched) {
    fired = 0;
    const auto started = std::chrono::steady_clock::now();
    const platform::TimerId timer = platform::set_timer(40, count_firing);
    ASSERT_NE(timer, 0u);
    platform::Message m{};
    EXPECT_FALSE(platform::peek_message(m));
    ASSERT_EQ(platform::get_message(m), 1);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(40));
    EXPECT_LT(waited, std::chrono::milliseconds(1000));
    EXPECT_EQ(m.message, 0x0113u);
    EXPECT_EQ(m.wparam, timer);
    EXPECT_EQ(fired, 0);
    platform::dispatch_message(m);
    EXPECT_EQ(fired, 1);
    // Its next message is a whole interval after this one.
    ASSERT_EQ(platform::linux_backend::message_loop().timers.size(), 1u);
    EXPECT_GE(platform::linux_backend::message_loop().timers.front().due_ns,
              std::uint64_t(std::chrono::nanoseconds(started.time_since_epoch()).count()) + 80 * platform::windows_model::kNsPerMs);
    EXPECT_TRUE(platform::kill_timer(timer));
    EXPECT_FALSE(platform::kill_timer(timer));
    // Nothing left that could ever arrive: an error, not a wait for ever.
    EXPECT_EQ(platform::get_message(m), -1);
}

TEST_F(MessageLoop, ATimerSetLateInAMillisecondStillWaitsItsWholeInterval) {
    using std::chrono::steady_clock;
    for (int round = 0; round < 20; ++round) {
        // Just before the clock's next whole millisecond, where a deadline
        // kept in whole milliseconds would come due almost at once.
        while (steady_clock::now().time_since_epoch() % std::chrono::milliseconds(1) < std::chrono::microseconds(900)) {
        }
        const auto started = steady_clock::now();
        const platform::TimerId timer = platform::set_timer(1, count_firing);
        platform::Message m{};
        while (!platform::peek_timer_message(m)) {
        }
        EXPECT_GE(steady_clock::now() - started, std::chrono::milliseconds(1)) << "round " << round;
        platform::kill_timer(timer);
    }
}

TEST_F(MessageLoop, AQuitComesAfterPostedMessagesAndBeforeTimersAndIsKeptUntilTaken) {
    platform::set_timer(0, count_firing);
    platform::linux_backend::post_message(nullptr, 0x8001, 5, 0);
    platform::post_quit_message(7);
    platform::Message m{};
    // The timer filter hands out the quit first, whatever else is queued.
    ASSERT_TRUE(platform::peek_timer_message(m));
    EXPECT_EQ(m.message, 0x0012u);
    EXPECT_EQ(m.wparam, 7u);

    platform::post_quit_message(8);
    ASSERT_EQ(platform::get_message(m), 1);
    EXPECT_EQ(m.message, 0x8001u);
    ASSERT_EQ(platform::get_message(m), 0);
    EXPECT_EQ(m.wparam, 8u);
    ASSERT_EQ(platform::get_message(m), 1);
    EXPECT_EQ(m.message, 0x0113u);
}

}  // namespace
}  // namespace kbp_test
