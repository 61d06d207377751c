// The built-in capture library on a pipe of input events: what it captures,
// when it announces the capture, and that it gives the grab back on every path.
#include <fcntl.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "linux_test.h"
#include "platform/capture_library.h"
#include "platform/linux/evdev_capture.h"
#include "platform/platform.h"

namespace kbp_test {
namespace {

using Capture = int(KBP_STDCALL*)(int count);
int announced = -1;
int KBP_STDCALL note_capture(int count) { return announced = count; }

struct CaptureLibrary {
    int(KBP_STDCALL* callback_data_capture)(Capture);
    int(KBP_STDCALL* capture_data)(int, int, int);
    const std::uint8_t*(KBP_STDCALL* get_data_capture)();
    int(KBP_STDCALL* close)();
};

template <typename F>
void find(platform::Module library, const char* name, F& slot) {
    slot = reinterpret_cast<F>(platform::find_symbol(library, name));
    ASSERT_NE(slot, nullptr) << name;
}

input_event key(unsigned code, int value) {
    input_event e{};
    e.type = EV_KEY;
    e.code = std::uint16_t(code);
    e.value = value;
    return e;
}

class EvdevCapture : public LinuxBackend {
protected:
    void SetUp() override {
        const platform::Module library = platform::load_library("KBPFUNC.DLL");
        ASSERT_NE(library, nullptr);
        find(library, "kbp_callback_data_capture", lib.callback_data_capture);
        find(library, "kbp_capture_data", lib.capture_data);
        find(library, "kbp_get_data_capture", lib.get_data_capture);
        find(library, "kbp_close", lib.close);
        for (const char* name : platform::kCaptureLibraryNames) EXPECT_NE(platform::find_symbol(library, name), nullptr);
        fifo = root / "dev/input/event7";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        platform::linux_backend::host_settings().input_device = fifo.string();
        lib.callback_data_capture(note_capture);
        announced = -1;
    }
    void TearDown() override {
        if (writer >= 0) close(writer);
    }

    // Arms a capture of `keystrokes` and types `events` into the device.
    void type(int keystrokes, const std::vector<input_event>& events) {
        ASSERT_EQ(lib.capture_data(keystrokes, 1, 300), 0);
        writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ASSERT_GE(writer, 0);
        // One event cut in two: the library reads whole events only.
        const auto* bytes = reinterpret_cast<const char*>(events.data());
        const std::size_t size = events.size() * sizeof(input_event);
        ASSERT_EQ(::write(writer, bytes, 5), 5);
        pump(20);
        ASSERT_EQ(::write(writer, bytes + 5, size - 5), ssize_t(size - 5));
    }
    // Dispatches the thread's messages for `ms` milliseconds.
    void pump(std::uint32_t ms) {
        const platform::TimerId timer = platform::set_timer(ms, nullptr);
        for (platform::Message m{}; platform::get_message(m) > 0;) {
            if (m.message == 0x0113 && m.wparam == timer) break;
            platform::dispatch_message(m);
        }
        platform::kill_timer(timer);
    }
    std::vector<std::uint8_t> codes(std::size_t n) const {
        const std::uint8_t* c = lib.get_data_capture();
        return {c, c + n};
    }

    CaptureLibrary lib{};
    fs::path fifo;
    int writer = -1;
};

TEST_F(EvdevCapture, TheMakeCodesOfPressedKeysAreAnnouncedOnceTheAnswerIsWhole) {
    const input_event syn{{}, EV_SYN, SYN_REPORT, 0};
    struct Case {
        const char* name;
        int keystrokes;
        std::vector<input_event> events;
        int announced;
        std::vector<std::uint8_t> codes;
    } cases[] = {
        {"a whole answer: releases, repeats and reports are no keys", 4,
         {key(KEY_1, 1), syn, key(KEY_1, 0), key(KEY_A, 1), key(KEY_A, 2), key(KEY_F, 1), key(KEY_0, 1), key(KEY_2, 1)},
         4, {0x02, 0x1E, 0x21, 0x0B, 0x00}},
        {"a short answer", 4, {key(KEY_1, 1), key(KEY_2, 1)}, -1, {0x00, 0x00}},
        {"keys that are no hex digits, one of no set-1 code", 2, {key(KEY_Q, 1), key(KEY_STOP, 1)}, 2, {0x10, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        announced = -1;
        type(c.keystrokes, c.events);
        pump(60);
        EXPECT_EQ(announced, c.announced);
        EXPECT_EQ(codes(c.codes.size()), c.codes);
        lib.close();
        close(writer);
        writer = -1;
        const auto& state = platform::linux_backend::evdev_capture();
        EXPECT_EQ(state.fd, -1);
        EXPECT_EQ(state.releases, state.grabs);
    }
    EXPECT_EQ(platform::linux_backend::evdev_capture().grabs, 3u);
}

TEST_F(EvdevCapture, TheGrabIsGivenBackWhenTheDeviceGoesAwayOrTheCaptureIsArmedAgain) {
    type(4, {key(KEY_1, 1)});
    ASSERT_EQ(lib.capture_data(4, 1, 300), 0);  // armed again: the first capture ends
    EXPECT_EQ(platform::linux_backend::evdev_capture().releases, 1u);
    close(writer);  // and the device goes away
    writer = -1;
    pump(20);
    EXPECT_EQ(platform::linux_backend::evdev_capture().fd, -1);
    EXPECT_EQ(platform::linux_backend::evdev_capture().releases, 2u);
    EXPECT_EQ(announced, -1);
}

TEST_F(EvdevCapture, TheInputDeviceIsTheOneOnTheKeyboardsUsbDevice) {
    platform::linux_backend::host_settings().input_device.clear();
    EXPECT_EQ(platform::linux_backend::keyboard_input_device(), "");
    add_usb_hid("1-1", 0, 0, 0x1234, vendor_descriptor(1), 2);    // another vendor's keys
    add_usb_hid("1-2", 0, 1, 0x053A, vendor_descriptor(1));       // the keyboard's reports
    EXPECT_EQ(platform::linux_backend::keyboard_input_device(), "");
    add_usb_hid("1-2", 1, 2, 0x053A, vendor_descriptor(1), 5);    // its keys, on another interface
    EXPECT_EQ(platform::linux_backend::keyboard_input_device(), (root / "dev/input/event5").string());
    // A device that is not there cannot be armed.
    EXPECT_NE(lib.capture_data(2, 1, 300) & 0xFF, 0);
}

TEST_F(EvdevCapture, AmongSeveralKeyboardsTheChosenOnesInputDeviceIsRead) {
    platform::linux_backend::host_settings().input_device.clear();
    add_usb_hid("1-1", 0, 0, 0x053A, vendor_descriptor(1), 3);
    add_usb_hid("1-2", 0, 1, 0x053A, vendor_descriptor(1), 4);
    const std::string second = (root / "dev/hidraw1").string();
    struct Case {
        const char* chosen;
        const char* input;
    } cases[] = {{second.c_str(), "dev/input/event4"}, {"", "dev/input/event3"}};
    for (const Case& c : cases) {
        platform::linux_backend::host_settings().usb_device = c.chosen;
        EXPECT_EQ(platform::linux_backend::keyboard_input_device(), (root / c.input).string());
    }
}

}  // namespace
}  // namespace kbp_test
