#include "platform/linux/evdev_capture.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "include/kbp_protocol.h"
#include "platform/capture_library_table.h"
#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/host_settings.h"
#include "platform/linux/message_loop.h"

namespace platform::linux_backend {

namespace {

constexpr std::uint32_t kCaptureComplete = 0x8000 + 0x4B;  // a WM_APP message to the library's own window
constexpr int kKeyPressed = 1;                              // an input_event value: 0 released, 2 repeated
constexpr int kNotArmed = 1;

std::string real_path(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? resolved : "";
}

std::string parent_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? "" : path.substr(0, slash);
}

// The event nodes of /sys/class/input, by number.
std::vector<std::string> event_nodes() {
    std::vector<std::pair<long, std::string>> names;
    if (DIR* dir = opendir((host_settings().sysfs_root + "/class/input").c_str())) {
        while (const dirent* entry = readdir(dir))
            if (std::strncmp(entry->d_name, "event", 5) == 0 && entry->d_name[5] != '\0')
                names.emplace_back(std::strtol(entry->d_name + 5, nullptr, 10), entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> nodes;
    for (auto& [number, name] : names) nodes.push_back(std::move(name));
    return nodes;
}

std::uint8_t make_code_of(unsigned key_code) { return key_code < 0x80 ? std::uint8_t(key_code) : 0; }

void announce(EvdevCapture& c) {
    std::fill(c.delivered.begin(), c.delivered.end(), 0);
    std::copy_n(c.captured.begin(), std::min(c.captured.size(), c.delivered.size() - 1), c.delivered.begin());
    message_loop().window_procedures[&c] = [](const Message& message) {
        EvdevCapture& capture = evdev_capture();
        if (message.wparam != capture.generation || capture.callback == nullptr) return;
        ++capture.completions;
        capture.callback(static_cast<int>(capture.captured.size()));
    };
    post_message(&c, kCaptureComplete, c.generation, 0);
}

void take_events() {
    EvdevCapture& c = evdev_capture();
    std::uint8_t buffer[64 * sizeof(input_event)];
    for (;;) {
        const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (n <= 0) {  // the device went away: this capture ends without an answer
            release_capture_device();
            return;
        }
        c.partial_event.insert(c.partial_event.end(), buffer, buffer + n);
        std::size_t used = 0;
        for (; used + sizeof(input_event) <= c.partial_event.size(); used += sizeof(input_event)) {
            input_event event{};
            std::memcpy(&event, c.partial_event.data() + used, sizeof event);
            if (event.type != EV_KEY || event.value != kKeyPressed) continue;
            c.captured.push_back(make_code_of(event.code));
            if (static_cast<int>(c.captured.size()) == c.expected) {
                release_capture_device();
                announce(c);
                return;
            }
        }
        c.partial_event.erase(c.partial_event.begin(), c.partial_event.begin() + std::ptrdiff_t(used));
    }
}

// Keys typed before the arming are not captured.
void drop_pending_events(int fd) {
    std::uint8_t buffer[256];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

// --- the library's exports
int KBP_STDCALL kbp_open() { return 0; }
int KBP_STDCALL kbp_close() { return release_capture_device(), 0; }
int KBP_STDCALL kbp_set_language(int) { return 0; }
int KBP_STDCALL kbp_callback_data_capture(EvdevCapture::Callback callback) {
    evdev_capture().callback = callback;
    return 0;
}
const std::uint8_t* KBP_STDCALL kbp_get_data_capture() { return evdev_capture().delivered.data(); }
int KBP_STDCALL kbp_capture_data(int keystrokes, int, int) {
    EvdevCapture& c = evdev_capture();
    release_capture_device();
    ++c.generation;
    c.captured.clear();
    c.partial_event.clear();
    c.delivered.fill(0);  // codes of an earlier capture are not this one's
    c.expected = keystrokes;
    if (keystrokes <= 0) return 0;
    c.device = keyboard_input_device();
    if (c.device.empty()) return kNotArmed;
    c.fd = ::open(c.device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (c.fd < 0) return kNotArmed;
    // Held only while the answer is typed: the keyboard stays the user's otherwise.
    ioctl(c.fd, EVIOCGRAB, 1);
    ++c.grabs;
    drop_pending_events(c.fd);
    watch_input(c.fd, take_events);
    return 0;
}
int KBP_STDCALL unused_entry() { return 0; }

}  // namespace

EvdevCapture& evdev_capture() {
    static EvdevCapture capture;
    return capture;
}

void release_capture_device() {
    EvdevCapture& c = evdev_capture();
    if (c.fd < 0) return;
    stop_watching(c.fd);
    ioctl(c.fd, EVIOCGRAB, 0);
    ++c.releases;
    ::close(c.fd);
    c.fd = -1;
}

std::string keyboard_input_device() {
    const HostSettings& s = host_settings();
    if (!s.input_device.empty()) return s.input_device;
    for (const HidrawNode& node : hidraw_nodes()) {
        if (node.vendor != KBP_USB_VENDOR_ID) continue;
        // hidraw's HID device sits on a USB interface, which sits on the USB device.
        const std::string usb_device = parent_of(parent_of(real_path(node.sysfs_device)));
        if (usb_device.empty()) continue;
        for (const std::string& event : event_nodes())
            if (real_path(s.sysfs_root + "/class/input/" + event).rfind(usb_device + "/", 0) == 0)
                return s.dev_root + "/input/" + event;
    }
    return {};
}

const std::map<std::string, void*>& capture_library_symbols() {
    static const std::map<std::string, void*> symbols = capture_library_table(
        {reinterpret_cast<void*>(&kbp_open), reinterpret_cast<void*>(&kbp_close),
         reinterpret_cast<void*>(&kbp_set_language), reinterpret_cast<void*>(&kbp_callback_data_capture),
         reinterpret_cast<void*>(&kbp_get_data_capture), reinterpret_cast<void*>(&kbp_capture_data),
         reinterpret_cast<void*>(&unused_entry)});
    return symbols;
}

}  // namespace platform::linux_backend
