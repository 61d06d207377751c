// Message boxes of the simulated PC: recorded, and answered from a script.
#include "platform/message_boxes.h"
#include "platform/sim/faults.h"
#include "platform/sim/message_boxes.h"

namespace platform {

int message_box(const char* text, const char* caption, std::uint32_t type) {
    if (sim::faults().refuses(sim::Call::message_box)) return 0;
    sim::MessageBoxes& boxes = sim::message_boxes();
    boxes.shown.push_back({text != nullptr ? text : "", caption != nullptr ? caption : "", type});
    if (boxes.answers.empty()) return boxes.ask ? boxes.ask(boxes.shown.back()) : kIdOk;
    const int answer = boxes.answers.front();
    boxes.answers.pop_front();
    return answer;
}

}  // namespace platform
