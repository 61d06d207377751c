#include "controller_ports.h"

#include "include/kbp_protocol.h"
#include "kbpi32/channel/send_status.h"
#include "platform/platform.h"

namespace kbp {

using namespace controller;
using send_status::kRefused;
using send_status::kSent;

std::uint8_t port_in(std::uint16_t port) { return platform::port_read(port); }

void port_out(std::uint16_t port, std::uint8_t value) { platform::port_write(port, value); }

namespace {

bool wait_until_controller_ready() {
    for (int poll = 0; poll < kInputBufferPolls; ++poll)
        if ((port_in(kStatusPort) & kInputBufferFull) == 0) return true;
    return false;
}

// Leaves the keyboard interrupt and translation on, as after every send.
std::uint8_t finish_send(std::uint8_t status) {
    if (!port_write_command_byte(kCommandByteAfterSend)) return kRefused;
    return status;
}

}  // namespace

bool port_write_command_byte(std::uint8_t value) {
    if (!wait_until_controller_ready()) return false;
    port_out(kCommandPort, kWriteCommandByte);
    if (!wait_until_controller_ready()) return false;
    port_out(kDataPort, value);
    return true;
}

std::uint8_t port_send_byte(int byte) {
    // Where the system does not grant port access, an in/out instruction would
    // fault the process.
    if (!platform::port_io_permitted()) return kRefused;
    if (!port_write_command_byte(kCommandByteDuringSend)) return kRefused;

    enum class State { ready_wait, write, answer_wait } state = State::ready_wait;
    // Until the keyboard's answer is read, the send stands as if the keyboard
    // had asked for the byte again: anything but an acknowledge.
    std::uint8_t answer = KBP_RESEND;
    for (int step = 0; step < kSendSteps; ++step) {
        switch (state) {
        case State::ready_wait:
            if ((port_in(kStatusPort) & kInputBufferFull) == 0) state = State::write;
            break;
        case State::write:
            port_out(kDataPort, static_cast<std::uint8_t>(byte));
            answer = KBP_RESEND;
            state = State::answer_wait;
            break;
        case State::answer_wait:
            for (int poll = 0; poll < kAnswerPolls; ++poll) {
                const std::uint8_t status = port_in(kStatusPort);
                if (status & kOutputBufferFull) {
                    answer = port_in(kDataPort);
                    // A byte just read is judged at the next poll that finds
                    // the buffer empty, so a later byte can still replace it.
                    if ((status & kJudgeNowBits) != kJudgeNowBits) continue;
                }
                if (answer == KBP_ACKNOWLEDGE) return finish_send(kSent);
                if (poll > kFailAfterPolls) return finish_send(kRefused);
            }
            if (!port_write_command_byte(kCommandByteAfterSend)) return kRefused;
            state = State::ready_wait;
            break;
        }
    }
    return finish_send(kRefused);
}

}  // namespace kbp
