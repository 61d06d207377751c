#pragma once
// What the host program tells the Linux backend, and the one place tests reset
// it: where sysfs and /dev are, which serial device each COM number stands
// for, which input device carries the keyboard's keys, and who answers the
// library's message boxes. The backend never prints: without a prompt a box
// is answered OK, or Cancel when it offers Cancel.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::linux_backend {

constexpr int kComPortCount = 9;  // COM1..COM9, as the library names them

// True for OK, false for Cancel; `offers_cancel` when the box has both buttons.
using Prompt = std::function<bool(const char* text, const char* caption, bool offers_cancel)>;

struct HostSettings {
    std::string sysfs_root = "/sys";
    std::string dev_root = "/dev";
    std::array<std::string, kComPortCount + 1> com_devices;  // [n]: COMn's device; [0] unused
    std::string input_device;  // the keyboard's /dev/input/eventN; empty: found through sysfs
    Prompt prompt;
};

HostSettings& host_settings();

// The COM number that now stands for `device` (the first free one, or the one
// it already has); 0 when all nine are taken.
int map_com_port(const std::string& device);

// A hidraw node as sysfs describes it, for a host that lists devices.
struct HidNodeSeen {
    std::string device_path;  // /dev/hidraw3
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};
std::vector<HidNodeSeen> hid_nodes_seen();
// The input device a capture would grab: the host's, or the one on the same
// USB device as the keyboard's hidraw node; empty when there is none.
std::string keyboard_input_device();

// Everything the backend holds back to how a process starts: settings, open
// devices, timers, messages and the capture library.
void reset_backend();

}  // namespace platform::linux_backend
