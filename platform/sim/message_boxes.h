#pragma once
// Modal message boxes on the simulated PC: recorded, and answered from a script.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace sim {

struct MessageBoxShown {
    std::string text;
    std::string caption;
    std::uint32_t type;
};

struct MessageBoxes {
    std::vector<MessageBoxShown> shown;
    std::deque<int> answers;  // the buttons pressed, in order; then `ask`, or OK
    std::function<int(const MessageBoxShown&)> ask;  // someone at the screen, when set
};

MessageBoxes& message_boxes();

}  // namespace sim
