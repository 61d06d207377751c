// The automatic choice under the Windows version the prefix reports for this
// program's name. Usage: <program> EXPECTED_KIND
#include <cstdlib>

#include "dll_loader.h"

namespace {

int expected_kind = -1;

TEST(AutomaticChoice, FollowsTheReportedWindowsVersion) {
    Dll dll("kbpi32.dll");
    ASSERT_TRUE(dll.loaded());
    auto set = dll.find<unsigned char(__stdcall*)(int)>("kbp_set_interface");
    auto get = dll.find<unsigned char(__stdcall*)()>("kbp_get_interface");
    ASSERT_NE(set, nullptr);
    ASSERT_NE(get, nullptr);

    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
    GetVersionExA(&v);
    EXPECT_EQ(get(), 0);
    EXPECT_EQ(set(0), 0);
    EXPECT_EQ(get(), expected_kind) << "platform " << v.dwPlatformId << ", version " << v.dwMajorVersion << "."
                                    << v.dwMinorVersion;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s EXPECTED_KIND\n", argv[0]);
        return 2;
    }
    expected_kind = std::atoi(argv[1]);
    return RUN_ALL_TESTS();
}
