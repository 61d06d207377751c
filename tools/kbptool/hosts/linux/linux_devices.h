#pragma once
// The devices of this Linux PC that may lead to a keyboard, found without
// opening any of them.
#include <string>
#include <vector>

#include "hosts/host.h"

namespace kbptool {

// Where the devices stand: /dev, or the test's own tree KBPTOOL_DEV_ROOT names.
std::string device_root();
// Where sysfs stands: /sys, or KBPTOOL_SYSFS_ROOT.
std::string sysfs_root();
// Whether the keyboard's input device is known, given or found.
bool keyboard_input_found();

// /dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS*, by name.
std::vector<FoundDevice> serial_devices();
// Every /dev/hidraw* node with its vendor and product, and the keyboard's
// input device when one is found.
std::vector<FoundDevice> keyboard_nodes();
// Why no USB keyboard can be reached, in words: the vendor looked for, among
// which hidraw nodes, or that its node may not be opened; empty when the
// keyboard's node is there to be opened.
std::string why_no_usb_keyboard();

}  // namespace kbptool
