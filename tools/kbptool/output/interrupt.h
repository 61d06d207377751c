#pragma once
// Ctrl-C: the tool ends at once with exit code 130, saying what the keyboard
// may now hold. A host may instead hold the interrupt while the library works,
// turn it into what an interrupt means for its keyboard and end the run itself.
#include <string>

#include "output/report.h"

namespace kbptool {
void watch_for_interrupt(bool json);
// What an interrupt says from now on (a line for people); empty: that the command was interrupted.
void on_interrupt_say(Command command, const std::string& consequence);

// While held, Ctrl-C only marks the interrupt pending; it ends the run once released.
void hold_interrupt(bool held);
bool interrupt_pending();
// Forgets a pending interrupt that the host has dealt with itself.
void forget_interrupt();
[[noreturn]] void end_interrupted();
}  // namespace kbptool
