#pragma once
// The library's message boxes on a terminal: shown as a line on stderr and
// answered by the person there, or by --yes / --no.
#include <string>

#include "sim_options.h"

namespace kbptool {

// True for OK, false for Cancel. With no one at the terminal and neither
// --yes nor --no, the answer is Cancel. --yes answers OK at most
// kMaxYesAnswers times in one run, then Cancel, so a keyboard that never
// answers cannot hold a script for ever.
bool answer_message_box(const std::string& text, const std::string& caption, Answer policy);

constexpr int kMaxYesAnswers = 10;

}  // namespace kbptool
