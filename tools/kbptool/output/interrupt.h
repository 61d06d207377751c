#pragma once
// Ctrl-C: the tool ends at once with exit code 130, saying what the keyboard
// may now hold.
#include <string>

namespace kbptool {

// Catches Ctrl-C for the rest of the run.
void watch_for_interrupt(bool json);
// What an interrupt says from now on (a line for people); empty: that the command was interrupted.
void on_interrupt_say(const std::string& command, const std::string& consequence);

}  // namespace kbptool
