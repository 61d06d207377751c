#pragma once
// The keyboard through the PC keyboard controller's ports 0x60 and 0x64.
#include <cstdint>

namespace kbp {

namespace controller {
constexpr std::uint16_t kDataPort = 0x60;
constexpr std::uint16_t kStatusPort = 0x64;
constexpr std::uint16_t kCommandPort = 0x64;
constexpr std::uint8_t kOutputBufferFull = 0x01;
constexpr std::uint8_t kInputBufferFull = 0x02;
constexpr std::uint8_t kJudgeNowBits = 0x60;
constexpr std::uint8_t kWriteCommandByte = 0x60;
constexpr std::uint8_t kCommandByteDuringSend = 0x00;  // keyboard interrupt and translation off
constexpr std::uint8_t kCommandByteAfterSend = 0x41;   // both back on

// Counts of port reads, not times: how long they last follows the speed of
// port access. A send runs at most 0x4FFF steps; each written byte gets up to
// 0x14FFF status polls for its answer. A judged answer other than the
// acknowledge fails the send only after more than 0x14FF0 polls, so a resend
// request or a stray byte is waited out and a late acknowledge behind it
// still counts.
constexpr int kSendSteps = 0x4FFF;
constexpr int kAnswerPolls = 0x14FFF;
constexpr int kFailAfterPolls = 0x14FF0;
// The wait for the controller to take a command byte is bounded too: a
// controller whose input buffer never empties, or none at all (the status
// port then reads all ones), would otherwise hold the caller for ever.
constexpr int kInputBufferPolls = 0x14FFF;
}  // namespace controller

std::uint8_t port_in(std::uint16_t port);
void port_out(std::uint16_t port, std::uint8_t value);

// Sets the controller's command byte; false when the controller never took a
// byte within the poll bound.
bool port_write_command_byte(std::uint8_t value);

// The controller-port transport (portdrv_send_byte is the port driver's).
// Writes one byte to the keyboard and waits for its acknowledge: kSent, else
// kRefused (also where this process may not touch the ports).
std::uint8_t port_send_byte(int byte);

}  // namespace kbp
