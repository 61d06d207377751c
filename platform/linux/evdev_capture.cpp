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
#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/host_settings.h"
#include "platform/linux/message_loop.h"
#include "platform/windows_model/backend.h"

namespace platform::linux_backend {

namespace {

constexpr int kKeyPressed = 1;  // an input_event value: 0 released, 2 repeated

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
            // A completed capture gave the device back.
            if (windows_model::take_captured_key(make_code_of(event.code))) return;
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
        if (node.vendor != KBP_USB_VENDOR_ID || (!s.usb_device.empty() && node.device_path != s.usb_device)) continue;
        // hidraw's HID device sits on a USB interface, which sits on the USB device.
        const std::string usb_device = parent_of(parent_of(real_path(node.sysfs_device)));
        if (usb_device.empty()) continue;
        for (const std::string& event : event_nodes())
            if (real_path(s.sysfs_root + "/class/input/" + event).rfind(usb_device + "/", 0) == 0)
                return s.dev_root + "/input/" + event;
    }
    return {};
}

}  // namespace platform::linux_backend

namespace platform::windows_model::capture_keys {

int arming(int) { return 0; }

// Held only while the answer is typed: the keyboard stays the user's otherwise.
bool listen(int) {
    linux_backend::EvdevCapture& c = linux_backend::evdev_capture();
    c.partial_event.clear();
    c.device = linux_backend::keyboard_input_device();
    if (c.device.empty()) return false;
    c.fd = ::open(c.device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (c.fd < 0) return false;
    // evdev grabs for any argument but null; one that points at 1 grabs too
    // where the request is decoded as carrying an int (an evdev node in user space).
    static const int kGrab = 1;
    ioctl(c.fd, EVIOCGRAB, &kGrab);
    ++c.grabs;
    linux_backend::drop_pending_events(c.fd);
    linux_backend::watch_input(c.fd, linux_backend::take_events);
    return true;
}

void stop() { linux_backend::release_capture_device(); }

void completing(KeystrokeCapture&, Completion&) {}

}  // namespace platform::windows_model::capture_keys
