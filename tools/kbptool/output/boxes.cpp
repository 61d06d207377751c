#include "output/boxes.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <iostream>

#include "output/interrupt.h"
#include "output/progress.h"
#include "output/text.h"

namespace kbptool {

namespace {

std::vector<ShownBox>& boxes() {
    static std::vector<ShownBox> shown;
    return shown;
}

// The COM port's boxes show the status text without a caption: notices.
bool is_notice_box(std::string_view caption) { return caption.empty(); }

}  // namespace

BoxReply decide_box_reply(std::string_view caption, Answer policy) {
    static int yes_answers = 0;
    if (is_notice_box(caption)) return BoxReply::ok;
    switch (policy) {
    case Answer::yes: return ++yes_answers <= kMaxYesAnswers ? BoxReply::ok : BoxReply::cancel;
    case Answer::no: return BoxReply::cancel;
    case Answer::ask: break;
    }
    return BoxReply::ask_user;
}

std::string reply_words(BoxReply reply, std::string_view caption, Answer policy) {
    if (is_notice_box(caption)) return "OK (a notice)";
    if (reply == BoxReply::ask_user) return "asked";
    if (reply == BoxReply::ok) return "OK (--yes)";
    return policy == Answer::yes ? "Cancel (--yes answered OK " + std::to_string(kMaxYesAnswers) + " times already)"
                                 : "Cancel (--no)";
}

std::string box_line(std::string_view text, std::string_view caption, std::string_view answer) {
    const bool utf8 = terminal_takes_utf8();
    std::string shown = trimmed(readable(text, utf8));
    const std::string title = trimmed(readable(caption, utf8));
    if (!title.empty()) shown = "[" + title + "] " + shown;
    if (is_notice_box(caption)) return "kbptool: the library says: " + shown;
    return "kbptool: the library asks: " + shown + "  (OK/Cancel)" + (answer.empty() ? "" : " ") + std::string(answer);
}

void note_box(ShownBox box, bool quiet) {
    if (!quiet) {
        end_progress_line();
        std::fprintf(stderr, "%s\n", box_line(box.text, box.caption, box.answer).c_str());
    }
    boxes().push_back(std::move(box));
}

const std::vector<ShownBox>& shown_boxes() { return boxes(); }

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
    const BoxReply reply = decide_box_reply(caption, policy);
    if (reply != BoxReply::ask_user) {
        note_box({text, caption, reply_words(reply, caption, policy)}, quiet);
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
