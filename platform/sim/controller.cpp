#include "controller.h"

namespace sim {

namespace {
constexpr std::uint16_t kData = 0x60;
constexpr std::uint16_t kStatus = 0x64;
constexpr std::uint8_t kWriteCommandByte = 0x60;
}  // namespace

std::uint8_t Controller::read(std::uint16_t port) {
    ++reads;
    std::uint8_t value = 0xFF;  // no device decodes other ports
    if (port == kStatus) {
        const bool output_full = !output.empty() || repeated_byte.has_value();
        value = static_cast<std::uint8_t>((output_full ? 0x01 : 0) | (input_buffer_full() ? 0x02 : 0) | extra_status);
        if (busy_left_ > 0) --busy_left_;
    } else if (port == kData) {
        if (!output.empty()) {
            last_output_ = output.front();
            output.pop_front();
        } else if (repeated_byte) {
            last_output_ = *repeated_byte;
        }
        value = last_output_;
    }
    if (record) accesses.push_back({false, port, value});
    return value;
}

void Controller::write(std::uint16_t port, std::uint8_t value) {
    if (input_buffer_full()) ++writes_while_busy;
    ++writes;
    if (stuck_after_write != 0 && writes >= stuck_after_write) stuck_ = true;
    busy_left_ = busy_polls;
    if (record) accesses.push_back({true, port, value});
    if (port == kStatus) {
        command_byte_next_ = value == kWriteCommandByte;
        return;
    }
    if (port != kData) return;
    if (command_byte_next_) {
        command_byte_next_ = false;
        command_byte = value;
        if (record) command_bytes_written.push_back(value);
        return;
    }
    if (record) bytes_to_keyboard.push_back(value);
    if (keyboard == nullptr) return;
    const kbdsim::Reply reply = keyboard->receive(value);
    if (reply.present) output.push_back(reply.byte);
}

}  // namespace sim
