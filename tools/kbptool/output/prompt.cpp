#include "output/prompt.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <iostream>

#include "output/interrupt.h"
#include "output/progress.h"
#include "output/readable_text.h"

namespace kbptool {

namespace {

enum class Typed { ok, cancel, unclear };

Typed typed_answer(const std::string& line) {
    std::string word = trimmed(line);
    for (char& c : word) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (const char* ok : {"o", "ok", "y", "yes"})
        if (word == ok) return Typed::ok;
    for (const char* cancel : {"c", "cancel", "n", "no"})
        if (word == cancel) return Typed::cancel;
    return Typed::unclear;
}

// Asks until the answer is clear; end of input or an interrupt is Cancel.
bool ask_at_terminal(const std::string& text, const std::string& caption, std::string& how) {
    end_progress_line();
    std::fprintf(stderr, "%s\n", box_line(text, caption, "").c_str());
    for (;;) {
        std::fprintf(stderr, "kbptool: OK or Cancel? [o/c] ");
        std::string line;
        if (interrupt_pending() || !std::getline(std::cin, line)) {
            std::fprintf(stderr, "\n");
            how = interrupt_pending() ? "Cancel (interrupted)" : "Cancel (end of input)";
            return false;
        }
        const Typed typed = typed_answer(line);
        if (typed != Typed::unclear) {
            how = typed == Typed::ok ? "OK (at the terminal)" : "Cancel (at the terminal)";
            return typed == Typed::ok;
        }
        std::fprintf(stderr, "kbptool: type o (or ok, y, yes) for OK, c (or cancel, n, no) for Cancel\n");
    }
}

}  // namespace

bool answer_message_box(const std::string& text, const std::string& caption, Answer policy, bool quiet) {
    if (interrupt_pending()) {
        note_box({text, caption, "Cancel (interrupted)"}, quiet);
        return false;
    }
    const BoxReply reply = decide_box_reply(text, policy);
    if (reply != BoxReply::ask_user) {
        note_box({text, caption, reply_words(reply, text, policy)}, quiet);
        return reply == BoxReply::ok;
    }
    if (isatty(0) == 0 || isatty(2) == 0) {
        note_box({text, caption, "Cancel (no one at the terminal; --yes answers OK)"}, false);
        return false;
    }
    std::string how;
    const bool ok = ask_at_terminal(text, caption, how);
    note_box({text, caption, how}, true);
    return ok;
}

}  // namespace kbptool
