#pragma once
// Modal message boxes on the simulated PC: recorded, and answered from a script.
#include <cstdint>
#include <deque>
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
    std::deque<int> answers;  // the buttons pressed, in order; OK once it runs out
};

MessageBoxes& message_boxes();

}  // namespace sim
