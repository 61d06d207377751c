#include "prompt.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "readable_text.h"

namespace kbptool {

bool answer_message_box(const std::string& text, const std::string& caption, Answer policy) {
    static int yes_answers = 0;
    const bool utf8 = terminal_takes_utf8();
    std::string shown = readable(text, utf8);
    const std::string title = readable(caption, utf8);
    if (!title.empty() && title.find_first_not_of(' ') != std::string::npos) shown = "[" + title + "] " + shown;
    std::fprintf(stderr, "kbptool: the library asks: %s  (OK/Cancel) ", shown.c_str());
    bool ok = false;
    if (policy == Answer::yes) {
        ok = ++yes_answers <= kMaxYesAnswers;
        std::fprintf(stderr, "%s (--yes)\n", ok ? "OK" : "Cancel, asked too often");
    } else if (policy == Answer::no) {
        std::fprintf(stderr, "Cancel (--no)\n");
    } else if (isatty(0) != 0 && isatty(2) != 0) {
        std::fprintf(stderr, "[o/c] ");
        std::string reply;
        std::getline(std::cin, reply);
        ok = reply.empty() || reply[0] == 'o' || reply[0] == 'O' || reply[0] == 'y' || reply[0] == 'Y';
    } else {
        std::fprintf(stderr, "Cancel (no one at the terminal; --yes answers OK)\n");
    }
    return ok;
}

}  // namespace kbptool
