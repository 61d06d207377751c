// The class-driver and port-driver calls of the real kbpi32.dll on a PC without
// either driver, as Wine is.
#include <cstdint>

#include "dll_loader.h"
#include "stdcall_probe.h"

namespace {

using NoArgument = int(__stdcall*)();
using GetByte = unsigned char(__stdcall*)();
using SendByte = int(__stdcall*)(int);
using SetInterface = unsigned char(__stdcall*)(int);
using SndInterface = unsigned char(__stdcall*)(int);

class Drivers : public ::testing::Test {
protected:
    Dll dll{"kbpi32.dll"};
    SetInterface set = dll.find<SetInterface>("kbp_set_interface");
    SndInterface snd = dll.find<SndInterface>("kbp_snd_interface");
};

constexpr const char* kAnswerMinusOne[] = {"vdd_translate_on", "vdd_translate_off", "vdd_kbd_capture",
                                           "vdd_kbd_release", "vdd_kbd_clr"};

TEST_F(Drivers, EveryWrapperAndTheTimerProcedureAreExportedByPlainNameAsStandardCall) {
    ASSERT_TRUE(dll.loaded());
    for (const char* name : kAnswerMinusOne) {
        SCOPED_TRACE(name);
        void* routine = dll.find<void*>(name);
        ASSERT_NE(routine, nullptr);
        EXPECT_EQ(stack_drift_after_call(routine), 0);
    }
    ASSERT_NE(dll.find<void*>("vdd_EF_available"), nullptr);
    ASSERT_NE(dll.find<void*>("vdd_EF_get"), nullptr);
    void* send_byte = dll.find<void*>("vdd_sendbyte");
    ASSERT_NE(send_byte, nullptr);
    EXPECT_EQ(stack_drift_after_call(send_byte, {0x41}), 0);
    void* timer_proc = dll.find<void*>("TimeoutTimerProc");
    ASSERT_NE(timer_proc, nullptr);
    EXPECT_EQ(stack_drift_after_call(timer_proc, {0, 0x113, 0, 0}), 0);
    EXPECT_EQ(dll.find<void*>("_vdd_sendbyte@4"), nullptr);
    EXPECT_EQ(dll.find<void*>("TimeoutTimerProc@16"), nullptr);
}

TEST_F(Drivers, WithoutTheClassDriverTheWrappersAnswerTheirFailureValues) {
    for (const char* name : kAnswerMinusOne) {
        SCOPED_TRACE(name);
        EXPECT_EQ(dll.find<NoArgument>(name)(), -1);
    }
    EXPECT_EQ(dll.find<NoArgument>("vdd_EF_available")(), 0);
    EXPECT_EQ(dll.find<GetByte>("vdd_EF_get")(), 0xFF);
    EXPECT_EQ(dll.find<SendByte>("vdd_sendbyte")(0x1EE), -1);
}

TEST_F(Drivers, TheClassDriverPathFailsAfterThreeRealReplyTimeouts) {
    ASSERT_EQ(set(2), 0);
    // A message of the host's own must survive the wait.
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_APP + 1, 7, 0));
    const DWORD start = GetTickCount();
    EXPECT_EQ(snd(0x41), 1);
    const DWORD elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 4450u);
    EXPECT_LT(elapsed, 7500u);  // slack for a loaded machine

    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_APP + 1, WM_APP + 1, PM_REMOVE));
    EXPECT_EQ(message.wParam, 7u);
    // The library's timer is gone: no timer message turns up later.
    Sleep(1600);
    EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(Drivers, ThePortDriverPathFailsAtOnce) {
    ASSERT_EQ(set(3), 0);
    const DWORD start = GetTickCount();
    EXPECT_EQ(snd(0x41), 1);
    EXPECT_EQ(snd(0xEF), 1);  // no tunnel mode byte on this path: it is sent, and fails
    EXPECT_LT(GetTickCount() - start, 500u);
}

}  // namespace
