#pragma once
// Bytes to the keyboard through the keyboard class driver, each awaiting the
// keyboard's reply for at most kKeyboardReplyTimeoutMs.
#include <cstdint>

namespace kbp {

constexpr int kClassDriverAttempts = 3;

// Sends the low byte of `byte` and waits for the keyboard's acknowledge; a
// resend request sends it again at once. 0 acknowledged, 1 not after three
// attempts.
std::uint8_t classdrv_send_byte(int byte);

// Sends the echo command: the echo byte when the keyboard echoed it (the reply
// timer is left running), else 0 with "EE check failed / NT" in the status buffer.
std::uint8_t classdrv_echo_check();

}  // namespace kbp
