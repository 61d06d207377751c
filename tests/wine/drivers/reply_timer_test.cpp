// The library's reply timer with real thread timers.
#include <windows.h>

#include <gtest/gtest.h>

#include "kbpi32/channel/reply_timer.h"

namespace {

class ReplyTimer : public ::testing::Test {
protected:
    ReplyTimer() { kbp::timer_state = kbp::TimerState{}; }
    ~ReplyTimer() override { kbp::kill_pending_timer(); }
};

TEST_F(ReplyTimer, TheTimerProcedureEndsItsTimerWhenItsMessageIsDispatched) {
    const platform::TimerId id = platform::set_timer(50, kbp::timeout_timer_proc);
    ASSERT_NE(id, 0u);
    kbp::timer_state.pending_timer = id;
    const DWORD start = GetTickCount();
    MSG message;
    while (kbp::timer_state.pending_timer != 0 && GetTickCount() - start < 2000) {
        if (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_FALSE(KillTimer(nullptr, id));  // already killed by the procedure
}

TEST_F(ReplyTimer, AWaitLastsTheReplyTimeoutAndLeavesNoTimerBehind) {
    const DWORD start = GetTickCount();
    kbp::ReplyDeadline deadline;
    ASSERT_TRUE(deadline.timer_started());
    const platform::TimerId id = kbp::timer_state.pending_timer;
    while (!deadline.expired()) {
    }
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, kbp::kKeyboardReplyTimeoutMs - 20);
    EXPECT_LT(elapsed, kbp::kKeyboardReplyTimeoutMs + 1000);  // slack for a loaded machine
    EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
    EXPECT_FALSE(KillTimer(nullptr, id));
}

TEST_F(ReplyTimer, AWaitLeavesTheCallersQuitMessageQueued) {
    PostQuitMessage(5);
    kbp::ReplyDeadline deadline;
    while (!deadline.expired()) {
    }
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 5u);
}

TEST_F(ReplyTimer, ANewWaitKillsTheTimerOfTheOneBefore) {
    kbp::ReplyDeadline first;
    const platform::TimerId earlier = kbp::timer_state.pending_timer;
    kbp::ReplyDeadline second;
    EXPECT_NE(kbp::timer_state.pending_timer, 0u);
    EXPECT_FALSE(KillTimer(nullptr, earlier));
}

}  // namespace
