#include "output/library_boxes.h"

#include <cstdio>

#include "output/progress.h"
#include "output/readable_text.h"

namespace kbptool {

namespace {

constexpr std::string_view kNoticePrefix = "set to ";

std::vector<ShownBox>& boxes() {
    static std::vector<ShownBox> shown;
    return shown;
}

// The "set to …" box of the COM search: what it tells, never a question.
bool is_notice_box(std::string_view text) { return text.starts_with(kNoticePrefix); }

}  // namespace

BoxReply decide_box_reply(std::string_view text, Answer policy) {
    static int yes_answers = 0;
    if (is_notice_box(text)) return BoxReply::ok;
    switch (policy) {
    case Answer::yes: return ++yes_answers <= kMaxYesAnswers ? BoxReply::ok : BoxReply::cancel;
    case Answer::no: return BoxReply::cancel;
    case Answer::ask: break;
    }
    return BoxReply::ask_user;
}

std::string reply_words(BoxReply reply, std::string_view text, Answer policy) {
    if (is_notice_box(text)) return "OK (a notice)";
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
    if (is_notice_box(text)) return "kbptool: the library says: " + shown;
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

std::string last_settings_found() {
    for (auto box = boxes().rbegin(); box != boxes().rend(); ++box)
        if (is_notice_box(box->text)) return trimmed(box->text.substr(kNoticePrefix.size()));
    return {};
}

}  // namespace kbptool
