#include "include/kbpi32.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/os_version.h"
#include "sim_test.h"

namespace {

struct VersionCase {
    const char* system;
    std::uint32_t platform, major, minor;
    bool call_fails;
    unsigned char expected_kind;
};

class AutomaticChoice : public SimTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(AutomaticChoice, FollowsTheWindowsVersion) {
    const VersionCase& c = GetParam();
    sim::version().set(c.platform, c.major, c.minor);
    if (c.call_fails) sim::faults().fail(sim::Call::get_version);
    EXPECT_EQ(kbp_set_interface(0), 0);
    EXPECT_EQ(kbp_get_interface(), c.expected_kind) << c.system;
    EXPECT_EQ(kbp::interface_state.interface_chosen, 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, AutomaticChoice,
    ::testing::Values(VersionCase{"Windows 95", 1, 4, 0, false, 1}, VersionCase{"Windows 98", 1, 4, 10, false, 1},
                      VersionCase{"Windows Me", 1, 4, 90, false, 1}, VersionCase{"NT 3.51", 2, 3, 51, false, 1},
                      VersionCase{"NT 4.0", 2, 4, 0, false, 2}, VersionCase{"Windows 2000", 2, 5, 0, false, 3},
                      VersionCase{"Windows XP", 2, 5, 1, false, 3}, VersionCase{"Server 2003", 2, 5, 2, false, 3},
                      VersionCase{"Vista", 2, 6, 0, false, 1}, VersionCase{"Windows 7", 2, 6, 1, false, 1},
                      VersionCase{"Windows 10", 2, 10, 0, false, 1}, VersionCase{"CE-like platform 3", 3, 1, 0, false, 2},
                      VersionCase{"Win32s", 0, 3, 11, false, 1}, VersionCase{"failed call", 2, 5, 1, true, 1}),
    [](const auto& info) {
        std::string name = info.param.system;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return name;
    });

using VersionProbe = SimTest;

TEST_F(VersionProbe, MajorVersionMustMatchAndMinorIsAtLeast) {
    sim::version().set(2, 5, 1);
    EXPECT_EQ(kbp::check_os_version(2, 5, 0), 1);
    EXPECT_EQ(kbp::check_os_version(2, 5, 1), 1);
    EXPECT_EQ(kbp::check_os_version(2, 5, 2), 0);
    EXPECT_EQ(kbp::check_os_version(2, 4, 0), 0);
    EXPECT_EQ(kbp::check_os_version(2, 6, 0), 0);
    EXPECT_EQ(kbp::check_os_version(1, 9, 9), 1);
    EXPECT_EQ(kbp::check_os_version(3, 0, 0), 0);
}

using InterfaceCalls = SimTest;

TEST_F(InterfaceCalls, NothingIsChosenUntilAPathIsNeeded) {
    EXPECT_EQ(kbp_get_interface(), 0);
    kbp_chk_interface(12345);
    EXPECT_EQ(kbp_get_interface(), 0);
    EXPECT_EQ(sim::version().calls, 0u);
    EXPECT_EQ(kbp::interface_state.interface_chosen, 0u);
}

TEST_F(InterfaceCalls, OnlyTheLowEightBitsOfTheKindCount) {
    sim::version().set(2, 4, 0);
    EXPECT_EQ(kbp_set_interface(256), 0);
    EXPECT_EQ(kbp_get_interface(), 2);
    EXPECT_EQ(kbp_set_interface(0x103), 0);
    EXPECT_EQ(kbp_get_interface(), 3);
}

TEST_F(InterfaceCalls, AKindOutsideTheRangeClearsTheChoiceButKeepsItMade) {
    ASSERT_EQ(kbp_set_interface(4), 0);
    EXPECT_EQ(kbp_set_interface(5), 1);
    EXPECT_EQ(kbp_get_interface(), 0);
    EXPECT_EQ(kbp::interface_state.interface_chosen, 1u);

    // No automatic choice follows: bytes fall back to the controller ports.
    keyboard_on_controller();
    EXPECT_EQ(kbp_snd_interface(0x41), 0);
    EXPECT_EQ(sim::version().calls, 0u);
    EXPECT_EQ(kbp_get_interface(), 0);
    EXPECT_EQ(sim::controller().bytes_to_keyboard, (std::vector<std::uint8_t>{0xED, 0x11, 0xED, 0x24}));
}

TEST_F(InterfaceCalls, AKindOutsideTheRangeBeforeAnyChoiceLeavesTheAutomaticChoiceToCome) {
    EXPECT_EQ(kbp_set_interface(9), 1);
    EXPECT_EQ(kbp::interface_state.interface_chosen, 0u);
    sim::version().set(2, 5, 0);
    kbp_snd_interface(0x00);
    EXPECT_EQ(kbp_get_interface(), 3);
}

TEST_F(InterfaceCalls, EachAutomaticChoiceAsksForTheVersionAgain) {
    sim::version().set(2, 4, 0);
    kbp_set_interface(0);
    const unsigned calls_for_nt4 = sim::version().calls;
    sim::version().set(1, 4, 10);
    kbp_set_interface(0);
    EXPECT_GT(sim::version().calls, calls_for_nt4);
    EXPECT_EQ(kbp_get_interface(), 1);
}

TEST_F(InterfaceCalls, TheFirstByteMakesTheAutomaticChoiceOnce) {
    sim::version().set(1, 4, 10);
    keyboard_on_controller();
    EXPECT_EQ(kbp_snd_interface(0x12), 0);
    const unsigned calls = sim::version().calls;
    EXPECT_GT(calls, 0u);
    EXPECT_EQ(kbp_snd_interface(0x34), 0);
    EXPECT_EQ(sim::version().calls, calls);
    EXPECT_EQ(kbp_get_interface(), 1);
}

TEST_F(InterfaceCalls, ReadingBackPrefersTheKindFlagsInTheirOrder) {
    // A download over "USB" adds the USB flag on top of the port driver.
    kbp_set_interface(3);
    kbp::interface_state.use_usb = 1;
    EXPECT_EQ(kbp_get_interface(), 3);

    struct FlagsSet {
        std::uint32_t ports, class_driver, port_driver, usb;
        unsigned char kind;
    };
    const FlagsSet cases[] = {{1, 1, 1, 1, 1}, {0, 1, 1, 1, 2}, {0, 1, 1, 0, 2}, {0, 0, 1, 1, 3}, {0, 0, 0, 1, 4}};
    for (const FlagsSet& c : cases) {
        kbp::interface_state.use_ports = c.ports;
        kbp::interface_state.use_class_driver = c.class_driver;
        kbp::interface_state.use_port_driver = c.port_driver;
        kbp::interface_state.use_usb = c.usb;
        EXPECT_EQ(kbp_get_interface(), c.kind) << c.ports << c.class_driver << c.port_driver << c.usb;
    }
}

}  // namespace
