#pragma once
// A COM port the library could not open, opened by the tool itself to learn
// Windows' reason.
#include "hosts/keyboard_host.h"

namespace kbptool {

// Fills the reason and hint with what Windows says when `port` (COM1..COM9,
// settings after a colon) does not open now; leaves the words when it opens.
void explain_com_port_failure(const PortText& port, const std::string& status, FailureWords& words);
// Why `port` cannot be used now, from the port opened by the tool itself
// before the library is called; none when it opens and can be set up.
std::optional<FailureWords> refuse_com_port(const PortText& port);

}  // namespace kbptool
