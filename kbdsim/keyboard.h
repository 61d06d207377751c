#pragma once
// The keyboard's side of the protocol, as one model shared by the simulated PC,
// the Windows test doubles and the pty keyboard.
//
// The model takes the bytes the keyboard receives, one at a time, in whatever
// form the path delivers them: plain (USB, serial, drivers) or as set-LED
// commands carrying tagged nibbles (controller ports). It decodes transfer
// frames into its 64 KiB memory and answers every byte.
#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "include/kbp_protocol.h"

namespace kbdsim {

// Keyboard command and reply bytes.
constexpr std::uint8_t kSetLeds = KBP_SET_LEDS;
constexpr std::uint8_t kEcho = KBP_ECHO;
constexpr std::uint8_t kEnable = KBP_ENABLE;
constexpr std::uint8_t kFrameStart = KBP_FRAME_START;
constexpr std::uint8_t kAck = KBP_ACKNOWLEDGE;
constexpr std::uint8_t kResend = KBP_RESEND;

// Frame commands.
constexpr std::uint8_t kWriteBlock = KBP_FRAME_WRITE_BLOCK;
constexpr std::uint8_t kReadRequest = KBP_FRAME_READ_REQUEST;
constexpr std::uint8_t kEndOfDownload = KBP_FRAME_END_OF_DOWNLOAD;

// What the keyboard sends back for one received byte: nothing, or one byte.
struct Reply {
    bool present = false;
    std::uint8_t byte = 0;
};

enum class AnswerMode {
    acknowledge,  // an acknowledge to every byte (the echo to the echo command)
    resend,       // a resend request to every byte
    silent,       // no answer at all
};

// One frame as the keyboard decoded it.
struct Frame {
    std::uint8_t command = 0;
    std::uint16_t address = 0;
    std::uint8_t count = 0;
    std::vector<std::uint8_t> data;  // write block only
    bool good = false;               // both checksums matched and every digit was valid
};

class Keyboard {
public:
    Keyboard();

    // One byte arrives; the reply (if any) is what the keyboard sends back.
    Reply receive(std::uint8_t byte);

    // The bytes that a read request for `count` bytes at `address` makes the
    // keyboard type: two hex digits per byte, then the two data-checksum digits.
    std::vector<std::uint8_t> read_answer(std::uint16_t address, std::uint8_t count) const;

    // The keys the keyboard types in answer to a read request, as make codes of
    // scan code set 1, in order: the host's keystroke capture takes them from
    // here. Only read requests whose frame checked out are answered.
    std::deque<std::uint8_t> typed;
    bool answers_reads = true;
    std::uint64_t read_requests = 0;      // good read-request frames

    // --- what a test sets
    AnswerMode answer_mode = AnswerMode::acknowledge;
    bool answers_echo = true;             // the echo command is answered with itself
    std::deque<Reply> scripted_replies;   // used, one per byte, before answer_mode
    // Pulled out when this byte arrives (counted from 1): it and every later
    // byte are neither taken nor answered. 0: never.
    std::uint64_t unplugged_at_byte = 0;
    // A memory cell that keeps its value whatever a write block brings.
    std::optional<std::uint16_t> stuck_cell;
    bool record_frames = true;            // keep every decoded frame in `frames`
    bool record_bytes = true;             // keep every received byte in `received`

    // --- what a test inspects
    std::array<std::uint8_t, KBP_KEYBOARD_MEMORY_SIZE> memory{};
    std::vector<Frame> frames;
    std::vector<std::uint8_t> received;   // raw bytes as they arrived
    std::vector<std::uint8_t> decoded;    // the byte stream with the LED tunnel undone
    std::uint64_t bytes_received = 0;
    std::uint64_t good_frames = 0;
    std::uint64_t bad_frames = 0;
    std::uint64_t enable_commands = 0;
    std::uint64_t echo_commands = 0;
    std::uint64_t end_of_download = 0;    // end-of-download commands
    std::uint64_t ec_tagged_bytes = 0;    // tunnel bytes whose high nibble carried the ec-mode tag
    std::uint8_t leds = 0;                // last plain LED setting

private:
    Reply answer(std::uint8_t received_byte);
    void take_decoded(std::uint8_t byte);  // a byte with the tunnel undone
    void take(std::uint8_t byte);          // a byte of the frame stream
    void take_digit(std::uint8_t byte);
    void finish_frame(bool good);
    // The byte the two frame digits from `at` spell, high nibble first.
    std::uint8_t byte_at(std::size_t at) const;

    // LED tunnel
    bool led_data_next_ = false;
    std::uint8_t low_nibble_ = 0;

    // frame parser
    std::uint8_t command_ = 0;  // 0 = not inside a frame
    std::vector<std::uint8_t> digits_;
};

// The make code (scan code set 1) of the key that carries a hex digit
// character '0'..'9' or 'A'..'F'; 0 for any other character.
std::uint8_t make_code_of(std::uint8_t digit);

// The upper-case hex digit of the low nibble of v.
std::uint8_t hex_digit_of(unsigned v);
// The value of a frame digit, or -1 when the byte is none.
int digit_value(std::uint8_t byte);

}  // namespace kbdsim
