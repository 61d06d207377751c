#pragma once
// A serial device the library could not use, in Linux's words: the device
// the command line named (never the COM number the tool maps it to) and the
// reason the backend's last failed open gave.
#include "hosts/keyboard_host.h"

namespace kbptool {

void explain_serial_failure(const PortText& port, const std::string& status, FailureWords& words);

}  // namespace kbptool
