#pragma once
// Answers the message boxes kbpi32.dll raises on this thread, as the command
// line says, and notes every one of them.
#include <string>

#include "hosts/keyboard_host.h"

namespace kbptool {

// False with the reason when the hook cannot be set.
bool start_answering_boxes(const HostSettings& settings, std::string& error);
void stop_answering_boxes();

}  // namespace kbptool
