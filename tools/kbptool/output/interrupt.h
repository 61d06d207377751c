#pragma once
// Ctrl-C, and a termination or hang-up asked of the tool: it ends at once
// with exit code 128 + the signal's number, saying what the keyboard may now
// hold. A host may instead hold the interrupt while the library works: the
// signal then only stops the library's transfer (through `stop_library`), and
// the run reports what the transfer did, as interrupted.
#include <string>

#include "output/report.h"

namespace kbptool {
// `stop_library` is called from the signal handler while the interrupt is
// held: it may only do what a signal handler may (set a flag); null: none.
void watch_for_interrupt(bool json, void (*stop_library)() = nullptr);
// What an interrupt says from now on (a line for people): the outcome's
// command, file and path, and what it means for the keyboard; empty: that the
// command was interrupted.
void on_interrupt_say(const Outcome& outcome, const std::string& consequence);

// While held, a signal only marks the interrupt pending; it ends the run once released.
void hold_interrupt(bool held);
bool interrupt_pending();
// Forgets a pending interrupt that the host has dealt with itself.
void forget_interrupt();
[[noreturn]] void end_interrupted();
// A pending interrupt into `outcome`: its exit code, and its text prefixed
// with what interrupted it ("interrupted (Ctrl-C): ..."). False when none is pending.
bool mark_interrupted(Outcome& outcome);
}  // namespace kbptool
