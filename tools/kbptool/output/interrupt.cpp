#include "output/interrupt.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace kbptool {
namespace {

// Written whole from the signal handler, which may do no more than write and end.
char message[4096] = "\nkbptool: interrupted\n";
bool as_json = false;
void (*stop_library_now)() = nullptr;
volatile std::sig_atomic_t held = 0;
volatile std::sig_atomic_t pending = 0;  // the signal's number

struct SignalWords {
    int signal;
    const char* words;
    ExitCode exit;
};
constexpr SignalWords kSignals[] = {
    {SIGINT, "Ctrl-C", ExitCode::interrupted},
#ifdef SIGHUP
    {SIGHUP, "hung up", ExitCode::hung_up},
#endif
    {SIGTERM, "terminated", ExitCode::terminated},
};

const SignalWords& words_of(int signal) {
    for (const SignalWords& w : kSignals)
        if (w.signal == signal) return w;
    return kSignals[0];
}

[[noreturn]] void say_and_end(int signal) {
    ssize_t ignored = write(as_json ? 1 : 2, message, std::strlen(message));
    (void)ignored;
    _exit(int(words_of(signal).exit));
}

extern "C" void on_signal(int signal) {
    if (held == 0) say_and_end(signal);
    if (pending == 0) pending = signal;
    if (stop_library_now != nullptr) stop_library_now();
}
}  // namespace

void hold_interrupt(bool hold) {
    held = hold ? 1 : 0;
    if (!hold && pending != 0) say_and_end(pending);
}

bool interrupt_pending() { return pending != 0; }

void forget_interrupt() { pending = 0; }

void end_interrupted() { say_and_end(pending); }

bool mark_interrupted(Outcome& o) {
    if (pending == 0) return false;
    const SignalWords& w = words_of(pending);
    if (o.exit == w.exit) return true;
    o.text = "interrupted (" + std::string(w.words) + "): " + outcome_text(o);
    o.exit = w.exit;
    return true;
}

void watch_for_interrupt(bool json, void (*stop_library)()) {
    as_json = json;
    stop_library_now = stop_library;
    for (const SignalWords& w : kSignals) std::signal(w.signal, on_signal);
}

void on_interrupt_say(const Outcome& outcome, const std::string& consequence) {
    std::string text = "interrupted";
    if (!consequence.empty()) text += ": " + consequence;
    std::string line;
    if (as_json) {
        Outcome o(outcome.command, outcome.file);
        o.path = outcome.path;
        o.text = text;
        o.exit = ExitCode::interrupted;
        line = outcome_json(o) + "\n";
    } else {
        line = "\nkbptool: " + std::string(command_word(outcome.command)) + " " + text + "\n";
    }
    if (pending != 0) return;  // it says what held when the interrupt came
    for (const SignalWords& w : kSignals) std::signal(w.signal, SIG_IGN);  // none while the message changes
    std::strncpy(message, line.c_str(), sizeof message - 1);
    for (const SignalWords& w : kSignals) std::signal(w.signal, on_signal);
}
}  // namespace kbptool
