// One behaviour suite of the platform contract, built once per backend: the
// simulated PC and Linux natively, the Win32 backend under Wine. What Windows
// does is what every backend must do, so each case states Windows' behaviour;
// the machine beneath each backend comes from its fixture (backend_under_test.h).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "backend_under_test.h"
#include "platform/capture_library.h"
#include "platform/platform.h"

namespace kbp_behaviour {
namespace {

using platform::Message;
using platform::TimerId;

constexpr std::uint32_t kAppMessage = 0x8001;
// Neither a handle nor a timer identifier any backend hands out in this run.
const platform::Handle kNeverOpened = reinterpret_cast<platform::Handle>(std::uintptr_t{0x0BAD0000});
constexpr TimerId kNeverStarted = 0x0BAD;
// The tick count moves in steps of the system timer (15.6 ms on Windows, 16 ms
// under Wine), so a wait of N ms can read as up to one step less.
constexpr std::uint32_t kTickStepMs = 16;

TimerId timer_proc_saw = 0;
void KBP_STDCALL note_timer(void*, unsigned, TimerId timer, unsigned long) { timer_proc_saw = timer; }

int capture_announced = -1;
int KBP_STDCALL note_capture(int count) { return capture_announced = count; }

std::string hex(std::uintptr_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

class PlatformBehaviour : public ::testing::Test {
protected:
    void SetUp() override { backend().reset(); }

    static BackendUnderTest& backend() { return backend_under_test(); }

    // Takes messages until the WM_TIMER of `timer`; others are dispatched.
    static bool next_message_of(TimerId timer, Message& m) {
        for (int taken = 0; taken < 100 && platform::get_message(m) > 0; ++taken) {
            if (m.message == platform::kWmTimer && m.wparam == timer) return true;
            platform::dispatch_message(m);
        }
        return false;
    }

    // A posted message, PostQuitMessage(7) and a timer that is due, all waiting.
    static TimerId queue_posted_quit_and_due_timer() {
        const TimerId timer = platform::set_timer(50, nullptr);
        backend().let_time_pass(100);
        backend().post_thread_message(kAppMessage);
        platform::post_quit_message(7);
        return timer;
    }

    // Opened as the library opens its COM port.
    static platform::Handle open_named(const std::string& name) {
        return platform::open_device(name.c_str(), platform::kGenericRead | platform::kGenericWrite,
                                     platform::kShareNone);
    }
    static platform::Handle open_com(int number, const char* form = "COM") {
        return open_named(form + std::to_string(number));
    }

    static platform::DeviceInfoSet present_hid_interfaces() {
        return platform::get_class_devices(platform::kHidInterfaceGuid,
                                           platform::kDigcfPresent | platform::kDigcfDeviceInterface);
    }
};

// --- the message queue

TEST_F(PlatformBehaviour, GetMessageHandsOutPostedMessagesThenQuitThenADueTimer) {
    const TimerId timer = queue_posted_quit_and_due_timer();
    ASSERT_NE(timer, 0u);
    struct Expected {
        int result;
        std::uint32_t message;
        std::uintptr_t wparam;
    } const expected[] = {{1, kAppMessage, 0}, {0, platform::kWmQuit, 7}, {1, platform::kWmTimer, timer}};
    for (const Expected& e : expected) {
        SCOPED_TRACE(hex(e.message));
        Message m{};
        EXPECT_EQ(platform::get_message(m), e.result);
        EXPECT_EQ(m.message, e.message);
        EXPECT_EQ(m.wparam, e.wparam);
    }
    EXPECT_TRUE(platform::kill_timer(timer));
}

TEST_F(PlatformBehaviour, APeekForTimersTakesQuitFirstAndLeavesPostedMessagesQueued) {
    const TimerId timer = queue_posted_quit_and_due_timer();
    ASSERT_NE(timer, 0u);
    Message m{};
    ASSERT_TRUE(platform::peek_timer_message(m));
    EXPECT_EQ(m.message, platform::kWmQuit);
    EXPECT_EQ(m.wparam, 7u);
    ASSERT_TRUE(platform::peek_timer_message(m));
    EXPECT_EQ(m.message, platform::kWmTimer);
    EXPECT_EQ(m.wparam, timer);
    EXPECT_FALSE(platform::peek_timer_message(m)) << hex(m.message);
    ASSERT_TRUE(platform::peek_message(m));
    EXPECT_EQ(m.message, kAppMessage);
    EXPECT_TRUE(platform::kill_timer(timer));
}

// --- timers

TEST_F(PlatformBehaviour, ATimersFirstMessageComesAfterItsIntervalAndDispatchRunsItsProcedure) {
    const std::uint32_t start = platform::tick_count();
    const TimerId timer = platform::set_timer(100, note_timer);
    ASSERT_NE(timer, 0u);
    Message m{};
    ASSERT_TRUE(next_message_of(timer, m));
    EXPECT_GE(platform::tick_count() - start, 100u - kTickStepMs);
    timer_proc_saw = 0;
    platform::dispatch_message(m);
    EXPECT_EQ(timer_proc_saw, timer);
    EXPECT_TRUE(platform::kill_timer(timer));
}

TEST_F(PlatformBehaviour, ATimerThatFellBehindYieldsOneMessageNotABacklog) {
    const TimerId timer = platform::set_timer(50, nullptr);
    ASSERT_NE(timer, 0u);
    backend().let_time_pass(260);
    Message m{};
    ASSERT_TRUE(platform::peek_timer_message(m));
    EXPECT_EQ(m.wparam, timer);
    EXPECT_FALSE(platform::peek_timer_message(m));
    EXPECT_TRUE(platform::kill_timer(timer));
}

TEST_F(PlatformBehaviour, AKilledTimerIsKilledOnceAndSendsNoMessage) {
    const TimerId timer = platform::set_timer(50, nullptr);
    ASSERT_NE(timer, 0u);
    EXPECT_TRUE(platform::kill_timer(timer));
    EXPECT_FALSE(platform::kill_timer(timer));
    backend().let_time_pass(100);
    Message m{};
    EXPECT_FALSE(platform::peek_timer_message(m)) << hex(m.wparam);
}

// Windows counts thread timers' identifiers down from 0x7FFF, above 0x100.
TEST_F(PlatformBehaviour, LiveTimersHaveDifferentIdentifiersInWindowsRange) {
    const TimerId first = platform::set_timer(1000, nullptr);
    const TimerId second = platform::set_timer(1000, nullptr);
    EXPECT_LT(second, first);
    for (const TimerId id : {first, second}) {
        EXPECT_GT(id, 0x100u) << hex(id);
        EXPECT_LE(id, 0x7FFFu) << hex(id);
    }
    RecordProperty("timer_identifiers", hex(first) + " " + hex(second));
    EXPECT_TRUE(platform::kill_timer(first));
    EXPECT_TRUE(platform::kill_timer(second));
}

TEST_F(PlatformBehaviour, TheTickCountMovesWithTime) {
    const std::uint32_t start = platform::tick_count();
    backend().let_time_pass(150);
    const std::uint32_t grown = platform::tick_count() - start;
    EXPECT_GE(grown, 150u - kTickStepMs);
    EXPECT_LT(grown, 1150u);
}

// --- COM ports

TEST_F(PlatformBehaviour, OnlyTheWindowsFormsOfAComNameOpenIt) {
    const Offer<int> port = backend().quiet_com_port();
    if (!port.value) GTEST_SKIP() << port.lacking;
    const std::string n = std::to_string(*port.value);
    struct Case {
        std::string name;
        bool opens;
    } const cases[] = {{"COM" + n, true},  {"com" + n, true},  {"\\\\.\\COM" + n, true}, {"COM0", false},
                       {"COM10", false},   {"CON" + n, false}, {"COM", false},           {"COMX", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const platform::Handle handle = open_named(c.name);
        EXPECT_EQ(handle != platform::invalid_handle(), c.opens);
        if (handle != platform::invalid_handle()) {
            EXPECT_TRUE(platform::close_handle(handle));
        }
    }
}

TEST_F(PlatformBehaviour, TheDeviceNameOfAComPortThePcLacksOpensNothing) {
    if (const Lack why = backend().no_com_port_above_nine()) GTEST_SKIP() << *why;
    EXPECT_EQ(open_com(10, "\\\\.\\COM"), platform::invalid_handle());
}

TEST_F(PlatformBehaviour, ASecondOpenOfAnOpenComPortIsRefused) {
    const Offer<int> port = backend().quiet_com_port();
    if (!port.value) GTEST_SKIP() << port.lacking;
    if (const Lack why = backend().refuses_second_com_open()) GTEST_SKIP() << *why;
    const platform::Handle first = open_com(*port.value);
    ASSERT_NE(first, platform::invalid_handle());
    const platform::Handle second = open_com(*port.value, "\\\\.\\COM");
    EXPECT_EQ(second, platform::invalid_handle());
    if (second != platform::invalid_handle()) platform::close_handle(second);
    EXPECT_TRUE(platform::close_handle(first));
}

TEST_F(PlatformBehaviour, AReadOnAQuietLineEndsAtItsTimeOutWithNothing) {
    const Offer<int> port = backend().quiet_com_port();
    if (!port.value) GTEST_SKIP() << port.lacking;
    const platform::Handle line = open_com(*port.value);
    ASSERT_NE(line, platform::invalid_handle());
    struct Case {
        const char* name;
        platform::CommTimeouts timeouts;
        std::uint32_t size;
        std::uint32_t at_least_ms;
        std::uint32_t under_ms;
    } const cases[] = {
        {"a total constant", {0, 0, 200, 0, 0}, 1, 200, 1200},
        {"an interval of MAXDWORD and no totals: what has come", {0xFFFFFFFF, 0, 0, 0, 0}, 1, 0, 100},
        {"a total multiplier per byte", {0, 100, 0, 0, 0}, 2, 200, 1200},
        {"MAXDWORD interval and multiplier: the constant for the first byte", {0xFFFFFFFF, 0xFFFFFFFF, 200, 0, 0}, 1, 200,
         1200},
        {"MAXDWORD interval with a total constant: the constant", {0xFFFFFFFF, 0, 200, 0, 0}, 1, 200, 1200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(platform::set_comm_timeouts(line, c.timeouts));
        std::uint8_t bytes[2] = {};
        std::uint32_t done = 99;
        const std::uint32_t start = platform::tick_count();
        EXPECT_TRUE(platform::read_file(line, bytes, c.size, &done));
        const std::uint32_t waited = platform::tick_count() - start;
        EXPECT_EQ(done, 0u);
        EXPECT_GE(waited + kTickStepMs, c.at_least_ms);
        EXPECT_LT(waited, c.under_ms);
    }
    EXPECT_TRUE(platform::close_handle(line));
}

// --- HID enumeration

TEST_F(PlatformBehaviour, TheHidEnumerationListsEveryInterfaceWithItsPath) {
    const platform::DeviceInfoSet set = present_hid_interfaces();
    ASSERT_NE(set, platform::invalid_handle());
    unsigned listed = 0;
    for (std::uint32_t index = 0; index < 64; ++index) {
        platform::DeviceInterfaceData data{};
        data.cbSize = platform::kDeviceInterfaceDataSize;
        if (!platform::enum_device_interfaces(set, platform::kHidInterfaceGuid, index, data)) break;
        ++listed;
        std::uint32_t required = 0;
        EXPECT_FALSE(platform::get_device_interface_detail(set, data, nullptr, 0, &required));
        EXPECT_GT(required, platform::kDeviceInterfaceDetailSize);
        std::vector<std::uint64_t> storage(required / 8 + 1);
        auto* detail = reinterpret_cast<platform::DeviceInterfaceDetail*>(storage.data());
        detail->cbSize = platform::kDeviceInterfaceDetailSize;
        EXPECT_TRUE(platform::get_device_interface_detail(set, data, detail, required, nullptr));
        const std::string path(reinterpret_cast<const char*>(storage.data()) +
                               offsetof(platform::DeviceInterfaceDetail, DevicePath));
        EXPECT_FALSE(path.empty());
        std::cout << backend().name() << " lists HID interface " << index << ": " << path << "\n";
    }
    const Offer<unsigned> expected = backend().hid_interface_count();
    if (expected.value)
        EXPECT_EQ(listed, *expected.value);
    else
        std::cout << listed << " HID interfaces listed, not checked: " << expected.lacking << "\n";
    EXPECT_TRUE(platform::destroy_device_info_list(set));
}

TEST_F(PlatformBehaviour, RecordsTheEnumerationDidNotFillOrOfTheWrongSizeAreRefused) {
    const platform::DeviceInfoSet set = present_hid_interfaces();
    ASSERT_NE(set, platform::invalid_handle());
    platform::DeviceInterfaceData filled{};
    filled.cbSize = platform::kDeviceInterfaceDataSize;
    ASSERT_TRUE(platform::enum_device_interfaces(set, platform::kHidInterfaceGuid, 0, filled));

    platform::DeviceInterfaceData never_filled{};  // Reserved 0: no interface of the set
    never_filled.cbSize = platform::kDeviceInterfaceDataSize;
    std::vector<std::uint64_t> storage(64);
    auto* detail = reinterpret_cast<platform::DeviceInterfaceDetail*>(storage.data());
    detail->cbSize = platform::kDeviceInterfaceDetailSize;
    std::uint32_t required = 0;  // refused outright: not even the size is answered
    EXPECT_FALSE(platform::get_device_interface_detail(set, never_filled, detail, 512, &required));
    EXPECT_EQ(required, 0u);

    platform::DeviceInterfaceData other_size{};  // the other pointer width's record
    other_size.cbSize = platform::kPointers64 ? 28 : 32;
    EXPECT_FALSE(platform::enum_device_interfaces(set, platform::kHidInterfaceGuid, 0, other_size));
    EXPECT_TRUE(platform::destroy_device_info_list(set));
}

// Asked for the devices of a setup class rather than for interfaces: the HID
// interface class is no setup class, so the set lists no interface.
TEST_F(PlatformBehaviour, ASetOfDevicesRatherThanInterfacesListsNoHidInterface) {
    const platform::DeviceInfoSet devices = platform::get_class_devices(platform::kHidInterfaceGuid, platform::kDigcfPresent);
    ASSERT_NE(devices, platform::invalid_handle());
    platform::DeviceInterfaceData data{};
    data.cbSize = platform::kDeviceInterfaceDataSize;
    EXPECT_FALSE(platform::enum_device_interfaces(devices, platform::kHidInterfaceGuid, 0, data));
    EXPECT_TRUE(platform::destroy_device_info_list(devices));
}

// --- the libraries loaded by name

TEST_F(PlatformBehaviour, TheTwoLibrariesLoadByNameInAnyCaseWithEveryExport) {
    const platform::Module usb = platform::load_library("KBPUSB.DLL");
    const platform::Module capture = platform::load_library("KbpFunc.Dll");
    ASSERT_NE(usb, nullptr);
    ASSERT_NE(capture, nullptr);
    EXPECT_EQ(platform::load_library("kbpusb.dll"), usb);
    EXPECT_EQ(platform::load_library(platform::kCaptureLibraryName), capture);
    EXPECT_NE(usb, capture);
    for (const char* name : {"snddata_USB", "Close_USB"}) EXPECT_NE(platform::find_symbol(usb, name), nullptr) << name;
    for (const char* name : platform::kCaptureLibraryNames)
        EXPECT_NE(platform::find_symbol(capture, name), nullptr) << name;
    EXPECT_EQ(platform::find_symbol(usb, "kbp_capture_data"), nullptr);
    EXPECT_EQ(platform::find_symbol(capture, "snddata_USB"), nullptr);
    EXPECT_EQ(platform::load_library("NOSUCH.DLL"), nullptr);
}

// --- a keystroke capture

TEST_F(PlatformBehaviour, AnArmedCaptureTakesTheTypedKeysAndAnnouncesThemThroughTheCallback) {
    constexpr int kKeystrokes = 6;
    using Callback = int(KBP_STDCALL*)(int count);
    const platform::Module library = platform::load_library(platform::kCaptureLibraryName);
    ASSERT_NE(library, nullptr);
    const auto register_callback =
        reinterpret_cast<int(KBP_STDCALL*)(Callback)>(platform::find_symbol(library, "kbp_callback_data_capture"));
    const auto capture_data =
        reinterpret_cast<int(KBP_STDCALL*)(int, int, int)>(platform::find_symbol(library, "kbp_capture_data"));
    const auto captured =
        reinterpret_cast<const std::uint8_t*(KBP_STDCALL*)()>(platform::find_symbol(library, "kbp_get_data_capture"));
    ASSERT_TRUE(register_callback != nullptr && capture_data != nullptr && captured != nullptr);

    capture_announced = -1;
    register_callback(note_capture);
    ASSERT_EQ(capture_data(kKeystrokes, 1, 300) & 0xFF, 0);
    const Offer<std::vector<std::uint8_t>> typed = backend().type_keys(kKeystrokes);
    if (!typed.value) GTEST_SKIP() << typed.lacking;
    ASSERT_EQ(typed.value->size(), std::size_t{kKeystrokes});

    const TimerId give_up = platform::set_timer(2000, nullptr);
    Message m{};
    while (capture_announced < 0 && platform::get_message(m) > 0) {
        if (m.message == platform::kWmTimer && m.wparam == give_up) break;
        platform::translate_message(m);
        platform::dispatch_message(m);
    }
    platform::kill_timer(give_up);
    EXPECT_EQ(capture_announced, kKeystrokes);
    const std::uint8_t* codes = captured();
    ASSERT_NE(codes, nullptr);
    EXPECT_EQ(std::vector<std::uint8_t>(codes, codes + kKeystrokes), *typed.value);
}

// --- faults the backend reports

TEST_F(PlatformBehaviour, WhatWasNeverHandedOutCannotBeClosedOrKilled) {
    EXPECT_FALSE(platform::close_handle(kNeverOpened));
    EXPECT_FALSE(platform::kill_timer(kNeverStarted));
}

TEST_F(PlatformBehaviour, OnceTheDeviceIsGoneWritesFailAndTheHandleStillCloses) {
    const Offer<int> port = backend().quiet_com_port();
    if (!port.value) GTEST_SKIP() << port.lacking;
    const platform::Handle line = open_com(*port.value);
    ASSERT_NE(line, platform::invalid_handle());
    if (const Lack why = backend().pull_com_device(*port.value)) {
        platform::close_handle(line);
        GTEST_SKIP() << *why;
    }
    const std::uint8_t probe = 0xEE;
    std::uint32_t done = 0;
    EXPECT_FALSE(platform::write_file(line, &probe, 1, &done));
    EXPECT_EQ(done, 0u);
    EXPECT_TRUE(platform::close_handle(line));
}

}  // namespace
}  // namespace kbp_behaviour
