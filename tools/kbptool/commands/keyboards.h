#pragma once
// The USB keyboards present, and which one a command means: --device names
// one by its device (a hidraw node, a HID device path) or by its number in
// detect's list; with several present and none named, nothing may guess.
#include <optional>
#include <string>
#include <vector>

#include "hosts/host.h"

namespace kbptool {
struct UsbKeyboard {
    int number = 0;  // from 1, in detect's order
    std::string path;
    std::string detail;
};
std::vector<UsbKeyboard> usb_keyboards(const Library& library);

// "1: /dev/hidraw0 (vendor 053A product 0001), 2: ...".
std::string keyboards_listed(const std::vector<UsbKeyboard>& keyboards);
// The keyboard `given` (a number or a device) names; none with the refusal (exit 2).
std::optional<UsbKeyboard> keyboard_named(const std::string& given, const std::vector<UsbKeyboard>& keyboards,
                                          Failure& refusal);
// Several keyboards and none named: the refusal, with what to write after --device.
Failure several_keyboards(const std::vector<UsbKeyboard>& keyboards);
}  // namespace kbptool
