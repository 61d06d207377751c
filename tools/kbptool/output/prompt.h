#pragma once
// The library's message boxes on a terminal: a notice, or a line on stderr
// answered by the person there, or by --yes / --no.
#include <string>

#include "output/library_boxes.h"

namespace kbptool {

// True for OK, false for Cancel. With no one at the terminal and neither
// --yes nor --no, a question is answered Cancel.
bool answer_message_box(const std::string& text, const std::string& caption, Answer policy, bool quiet);

}  // namespace kbptool
