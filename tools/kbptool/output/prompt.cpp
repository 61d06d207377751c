#include "output/prompt.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "output/readable_text.h"

namespace kbptool {

bool answer_message_box(const std::string& text, const std::string& caption, Answer policy, bool quiet) {
    const BoxReply reply = decide_box_reply(text, policy);
    if (reply != BoxReply::ask_user) {
        note_box({text, caption, reply_words(reply, text, policy)}, quiet);
        return reply == BoxReply::ok;
    }
    if (isatty(0) == 0 || isatty(2) == 0) {
        note_box({text, caption, "Cancel (no one at the terminal; --yes answers OK)"}, false);
        return false;
    }
    const bool utf8 = terminal_takes_utf8();
    std::string shown = trimmed(readable(text, utf8));
    const std::string title = trimmed(readable(caption, utf8));
    if (!title.empty()) shown = "[" + title + "] " + shown;
    std::fprintf(stderr, "kbptool: the library asks: %s  (OK/Cancel) [o/c] ", shown.c_str());
    std::string answer;
    std::getline(std::cin, answer);
    const bool ok = answer.empty() || answer[0] == 'o' || answer[0] == 'O' || answer[0] == 'y' || answer[0] == 'Y';
    note_box({text, caption, ok ? "OK (at the terminal)" : "Cancel (at the terminal)"}, true);
    return ok;
}

}  // namespace kbptool
