#include "output/interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>


namespace kbptool {
namespace {

// Written whole from the signal handler, which may do no more than write and end.
char message[1024] = "\nkbptool: interrupted\n";
bool as_json = false;
volatile std::sig_atomic_t held = 0;
volatile std::sig_atomic_t pending = 0;

[[noreturn]] void say_and_end() {
    ssize_t ignored = write(as_json ? 1 : 2, message, std::strlen(message));
    (void)ignored;
    _exit(int(ExitCode::interrupted));
}

extern "C" void on_signal(int) {
    if (held == 0) say_and_end();
    pending = 1;
}
}  // namespace

void hold_interrupt(bool hold) {
    held = hold ? 1 : 0;
    if (!hold && pending != 0) say_and_end();
}

bool interrupt_pending() { return pending != 0; }

void forget_interrupt() { pending = 0; }

void end_interrupted() { say_and_end(); }

void watch_for_interrupt(bool json) {
    as_json = json;
    std::signal(SIGINT, on_signal);
}

void on_interrupt_say(Command command, const std::string& consequence) {
    std::string text = "interrupted";
    if (!consequence.empty()) text += ": " + consequence;
    std::string line;
    if (as_json) {
        Outcome o(command);
        o.text = text;
        o.exit = ExitCode::interrupted;
        line = outcome_json(o) + "\n";
    } else {
        line = "\nkbptool: " + std::string(command_word(command)) + " " + text + "\n";
    }
    if (pending != 0) return;  // it says what held when the interrupt came
    std::signal(SIGINT, SIG_IGN);  // no interrupt while the message changes
    std::strncpy(message, line.c_str(), sizeof message - 1);
    std::signal(SIGINT, on_signal);
}
}  // namespace kbptool
