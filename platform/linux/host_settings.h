#pragma once
// What the host program tells the Linux backend and what it can ask of it,
// and the one place tests reset it: where sysfs and /dev are, which input
// device carries the keyboard's keys, who answers the library's message
// boxes, and why the last device operation failed. Which serial device each
// COM number stands for is in com_port_map.h. The backend never prints:
// without a prompt a box is answered OK, or Cancel when it offers Cancel.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace platform::linux_backend {

// True for OK, false for Cancel; `offers_cancel` when the box has both buttons.
using Prompt = std::function<bool(const char* text, const char* caption, bool offers_cancel)>;

struct HostSettings {
    std::string sysfs_root = "/sys";
    std::string dev_root = "/dev";
    std::string input_device;  // the keyboard's /dev/input/eventN; empty: found through sysfs
    std::string usb_device;    // the keyboard's hidraw node among several; empty: the first of the vendor
    Prompt prompt;
};

HostSettings& host_settings();

// The reason the last device operation that failed (the open of a COM port
// or a hidraw node, a read, a write) gave, as an errno value: what
// GetLastError tells on Windows. ENOENT for a COM number no device stands
// for, ENOTTY for a device that is no terminal, EBUSY for a port another
// open holds. 0 while none has failed.
int last_device_error();

// A hidraw node as sysfs describes it, for a host that lists devices.
struct HidNodeSeen {
    std::string device_path;  // /dev/hidraw3
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};
std::vector<HidNodeSeen> hid_nodes_seen();
// The input device a capture would grab: the host's, or the one on the same
// USB device as the keyboard's hidraw node (the chosen one, else the first of
// the vendor); empty when there is none.
std::string keyboard_input_device();

// While set, every device read and write fails (ECANCELED), as if the keyboard
// were pulled out: the transfer under way ends with its own failure and its
// story of what the keyboard holds. Safe to set from a signal handler.
void interrupt_transfers(bool on);
bool transfers_interrupted();

// Everything the backend holds back to how a process starts: settings, the
// COM port map, open devices and the last error, timers, messages, the
// SetupAPI tables, libraries and the capture library.
void reset_backend();

}  // namespace platform::linux_backend
