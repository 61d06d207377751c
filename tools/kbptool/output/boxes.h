#pragma once
// The library's message boxes, answered the same way on every host. A box
// without a caption is one of the COM port's notices (its button changes
// nothing, as the library promises); every other box follows --yes / --no,
// or the person at the terminal.
#include <string>
#include <string_view>
#include <vector>

namespace kbptool {
enum class Answer { ask, yes, no };

// How the tool answers one box.
enum class BoxReply { ok, cancel, ask_user };

struct ShownBox {
    std::string text;     // as the library wrote it (Windows ANSI)
    std::string caption;
    std::string answer;   // "OK (a notice)", "OK (--yes)", "Cancel (--no)", ...
};

// The reply for a box under `policy`, and its words for the record. At most
// kMaxYesAnswers OK for --yes in one run, then Cancel: a keyboard that never
// answers cannot hold a script for ever.
BoxReply decide_box_reply(std::string_view caption, Answer policy);
constexpr int kMaxYesAnswers = 10;
std::string reply_words(BoxReply reply, std::string_view caption, Answer policy);
// Records a box of this run and, unless quiet, shows it on stderr as a line:
// "kbptool: the library asks: [caption] text  (OK/Cancel) answer".
void note_box(ShownBox box, bool quiet);
// Every box of this run, oldest first.
const std::vector<ShownBox>& shown_boxes();

// A box on a terminal: decided as above, else asked of the person there
// (o/ok/y/yes or c/cancel/n/no, asked again otherwise; end of input, an
// interrupt or nobody there is Cancel). True for OK.
bool answer_message_box(const std::string& text, const std::string& caption, Answer policy, bool quiet);
}  // namespace kbptool
