#include "output/boxes.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>

#include "hosts/host.h"
#include "output/interrupt.h"
#include "output/progress.h"
#include "output/text.h"

namespace kbptool {
namespace {

std::vector<ShownBox> boxes;

// A notice says its text; without an answer a question is shown alone.
std::string box_line(std::string_view text, std::string_view caption, std::string_view answer) {
    const bool utf8 = host::facts().utf8_output;
    const std::string title = trimmed(readable(caption, utf8));
    const std::string shown = (title.empty() ? "" : "[" + title + "] ") + trimmed(readable(text, utf8));
    if (caption.empty()) return "kbptool: the library says: " + shown;
    return "kbptool: the library asks: " + shown + "  (OK/Cancel)" + (answer.empty() ? "" : " ") + std::string(answer);
}

// Asks until the answer is clear; end of input or an interrupt is Cancel.
bool ask_at_terminal(const std::string& text, const std::string& caption, std::string& how) {
    end_progress_line();
    std::fprintf(stderr, "%s\n", box_line(text, caption, "").c_str());
    for (std::string line;; std::fprintf(stderr, "kbptool: type o (or ok, y, yes) for OK, c (or cancel, n, no) for Cancel\n")) {
        std::fprintf(stderr, "kbptool: OK or Cancel? [o/c] ");
        if (interrupt_pending() || !std::getline(std::cin, line)) {
            std::fprintf(stderr, "\n");
            how = interrupt_pending() ? "Cancel (interrupted)" : "Cancel (end of input)";
            return false;
        }
        std::string word = trimmed(line);
        for (char& c : word) c = char(std::tolower(static_cast<unsigned char>(c)));
        const auto one_of = [&word](std::initializer_list<std::string_view> words) {
            return std::find(words.begin(), words.end(), word) != words.end();
        };
        if (const bool ok = one_of({"o", "ok", "y", "yes"}); ok || one_of({"c", "cancel", "n", "no"})) {
            how = ok ? "OK (at the terminal)" : "Cancel (at the terminal)";
            return ok;
        }
    }
}
}  // namespace

// The COM port's boxes show the status text without a caption: notices.
BoxReply decide_box_reply(std::string_view caption, Answer policy) {
    static int yes_answers = 0;
    if (caption.empty()) return BoxReply::ok;
    if (policy == Answer::yes) return ++yes_answers <= kMaxYesAnswers ? BoxReply::ok : BoxReply::cancel;
    return policy == Answer::no ? BoxReply::cancel : BoxReply::ask_user;
}

std::string reply_words(BoxReply reply, std::string_view caption, Answer policy) {
    if (caption.empty()) return "OK (a notice)";
    if (reply == BoxReply::ask_user) return "asked";
    if (reply == BoxReply::ok) return "OK (--yes)";
    return policy == Answer::yes ? "Cancel (--yes answered OK " + std::to_string(kMaxYesAnswers) + " times already)"
                                 : "Cancel (--no)";
}

void note_box(ShownBox box, bool quiet) {
    if (!quiet) {
        end_progress_line();
        std::fprintf(stderr, "%s\n", box_line(box.text, box.caption, box.answer).c_str());
    }
    boxes.push_back(std::move(box));
}

const std::vector<ShownBox>& shown_boxes() { return boxes; }

bool answer_message_box(const std::string& text, const std::string& caption, Answer policy, bool quiet) {
    std::string how = "Cancel (interrupted)";
    bool ok = false;
    if (!interrupt_pending()) {
        const BoxReply reply = decide_box_reply(caption, policy);
        if (reply != BoxReply::ask_user) {
            how = reply_words(reply, caption, policy);
            ok = reply == BoxReply::ok;
        } else if (isatty(0) == 0 || isatty(2) == 0) {
            how = "Cancel (no one at the terminal; --yes answers OK)";
            quiet = false;
        } else {
            ok = ask_at_terminal(text, caption, how);
            quiet = true;  // asked on a line of its own already
        }
    }
    note_box({text, caption, how}, quiet);
    return ok;
}
}  // namespace kbptool
