#pragma once
// The devices on this PC that may lead to a keyboard.
#include <vector>

#include "hosts/keyboard_host.h"

namespace kbptool {

// COM1..COM9 (the only ports a port text can name) that the system has, with
// the device each stands for.
std::vector<FoundDevice> present_com_ports();
// The HID interfaces of the keyboard's vendor, by device path.
std::vector<FoundDevice> vendor_hid_devices();

}  // namespace kbptool
