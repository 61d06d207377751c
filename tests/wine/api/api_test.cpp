// The real kbpi32.dll as a host program sees it: exports by plain name,
// standard-call, 8-bit results.
#include <cstdint>

#include "dll_loader.h"
#include "stdcall_probe.h"

namespace {

using SetInterface = unsigned char(__stdcall*)(int);
using GetInterface = unsigned char(__stdcall*)();
using ChkInterface = void(__stdcall*)(int);
using SndInterface = unsigned char(__stdcall*)(int);

int __cdecl caller_cleans_up(int value) { return value; }

TEST(StackProbe, TellsACallerCleanedRoutineFromAStandardCallOne) {
    if (sizeof(void*) == 8) GTEST_SKIP() << "x86-64 has one calling convention";
    EXPECT_EQ(stack_drift_after_call(reinterpret_cast<void*>(&caller_cleans_up), {1}), -4);
}

class Kbpi32 : public ::testing::Test {
protected:
    Dll dll{"kbpi32.dll"};
    SetInterface set = dll.find<SetInterface>("kbp_set_interface");
    GetInterface get = dll.find<GetInterface>("kbp_get_interface");
    ChkInterface chk = dll.find<ChkInterface>("kbp_chk_interface");
    SndInterface snd = dll.find<SndInterface>("kbp_snd_interface");
};

TEST_F(Kbpi32, ExportsEveryCallByItsPlainNameAsStandardCall) {
    ASSERT_TRUE(dll.loaded());
    ASSERT_NE(set, nullptr);
    ASSERT_NE(get, nullptr);
    ASSERT_NE(chk, nullptr);
    ASSERT_NE(snd, nullptr);
    EXPECT_EQ(dll.find<void*>("_kbp_set_interface@4"), nullptr);
    EXPECT_EQ(dll.find<void*>("kbp_set_interface@4"), nullptr);

    EXPECT_EQ(stack_drift_after_call(reinterpret_cast<void*>(get)), 0);
    EXPECT_EQ(stack_drift_after_call(reinterpret_cast<void*>(chk), {7}), 0);
    EXPECT_EQ(stack_drift_after_call(reinterpret_cast<void*>(set), {1}), 0);
}

TEST_F(Kbpi32, InterfaceNumbers) {
    EXPECT_EQ(get(), 0);  // nothing chosen at load
    chk(0x7FFFFFFF);
    EXPECT_EQ(get(), 0);
    EXPECT_EQ(set(4), 0);
    EXPECT_EQ(get(), 4);
    EXPECT_EQ(set(5), 1);
    EXPECT_EQ(get(), 0);
    // Only the low 8 bits count: 256 is the automatic choice (Windows 7 here).
    EXPECT_EQ(set(256), 0);
    EXPECT_EQ(get(), 1);
    EXPECT_EQ(set(0x102), 0);
    EXPECT_EQ(get(), 2);
}

TEST_F(Kbpi32, TheControllerPortsRefuseWithoutFaultingWhereWindowsGrantsNoPortAccess) {
    ASSERT_EQ(set(1), 0);
    EXPECT_EQ(snd(0xEC), 0);  // a mode byte: nothing is sent
    EXPECT_EQ(snd(0xEF), 0);
    const DWORD start = GetTickCount();
    EXPECT_NE(snd(0x41), 0);
    EXPECT_NE(snd(0xF4), 0);
    // Refused at once: the ports are probed once, not trapped on every poll.
    EXPECT_LT(GetTickCount() - start, 1000u);
}

}  // namespace
