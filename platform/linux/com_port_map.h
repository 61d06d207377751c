#pragma once
// Which serial device each COM number stands for. The library names ports
// COM1..COM9; a Linux host has /dev/ttyUSB0, /dev/ttyACM1, a pty: the host
// maps one to the other, and a COM number it did not map opens nothing.
#include <array>
#include <string>

#include "platform/windows_model/com_ports.h"

namespace platform::linux_backend {

struct ComPortMap {
    std::array<std::string, windows_model::kComPortCount + 1> devices;  // [n]: COMn's device; [0] unused
};
ComPortMap& com_port_map();

// The COM number that now stands for `device` (the first free one, or the one
// it already has); 0 when all nine are taken.
int map_com_port(const std::string& device);

}  // namespace platform::linux_backend
