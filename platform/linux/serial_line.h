#pragma once
// The serial side of the device calls: how a COM number's tty is opened and
// how ReadFile and WriteFile move bytes on it within the port's time-outs.
#include <cstdint>
#include <string>

#include "platform/linux/open_devices.h"

namespace platform::linux_backend {

// Opens the tty for this open alone (TIOCEXCL and an exclusive lock);
// invalid_handle(), with the reason kept, when it is no tty, cannot be
// opened, or another open already holds it.
Handle open_serial_line(const std::string& device);
bool read_serial_line(OpenDevice& line, void* data, std::uint32_t size, std::uint32_t* done);
bool write_serial_line(OpenDevice& line, const void* data, std::uint32_t size, std::uint32_t* done);

}  // namespace platform::linux_backend
