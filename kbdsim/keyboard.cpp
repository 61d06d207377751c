#include "keyboard.h"

#include <limits>

namespace kbdsim {

namespace {

// Where the fields lie among a frame's digits, which follow its command byte.
constexpr std::size_t kCountAt = KBP_FRAME_ADDRESS_DIGITS;
constexpr std::size_t kHeaderSumAt = kCountAt + KBP_FRAME_DIGITS_PER_BYTE;
constexpr std::size_t kDataAt = KBP_FRAME_HEADER_DIGITS;

// The digits of a whole write block carrying `count` bytes.
constexpr std::size_t write_block_digits(std::size_t count) {
    return KBP_WRITE_BLOCK_FRAME_BYTES(count) - KBP_FRAME_OPENING_BYTES;
}

}  // namespace

std::uint8_t hex_digit_of(unsigned v) {
    v &= 0x0F;
    return static_cast<std::uint8_t>(v < 10 ? 0x30 + v : 0x37 + v);
}

int digit_value(std::uint8_t byte) {
    if (byte >= 0x30 && byte <= 0x39) return byte - 0x30;
    if (byte >= 0x41 && byte <= 0x46) return byte - 0x37;
    return -1;
}

std::uint8_t make_code_of(std::uint8_t digit) {
    static constexpr std::uint8_t kDigitKeys[10] = {0x0B, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
    static constexpr std::uint8_t kLetterKeys[6] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21};
    if (digit >= '0' && digit <= '9') return kDigitKeys[digit - '0'];
    if (digit >= 'A' && digit <= 'F') return kLetterKeys[digit - 'A'];
    return 0;
}

Keyboard::Keyboard() { digits_.reserve(write_block_digits(std::numeric_limits<std::uint8_t>::max())); }

Reply Keyboard::receive(std::uint8_t byte) {
    if (unplugged_at_byte != 0 && bytes_received + 1 >= unplugged_at_byte) return {};
    ++bytes_received;
    if (record_bytes) received.push_back(byte);

    if (led_data_next_) {
        // The byte after a set-LED command is LED data; the tunnel hides a
        // nibble in it, tagged by bits 5-4.
        led_data_next_ = false;
        const std::uint8_t tag = byte & KBP_TUNNEL_TAG_MASK;
        const std::uint8_t nibble = byte & 0x0F;
        if (tag == KBP_TUNNEL_LOW_NIBBLE_TAG) {
            low_nibble_ = nibble;
        } else if (tag == KBP_TUNNEL_HIGH_NIBBLE_TAG || tag == KBP_TUNNEL_HIGH_NIBBLE_EC_TAG) {
            if (tag == KBP_TUNNEL_HIGH_NIBBLE_EC_TAG) ++ec_tagged_bytes;
            take_decoded(static_cast<std::uint8_t>(nibble << 4 | low_nibble_));
        } else {
            leds = byte;
        }
        return answer(byte);
    }
    if (byte == kSetLeds) {
        led_data_next_ = true;
        return answer(byte);
    }
    take_decoded(byte);
    return answer(byte);
}

void Keyboard::take_decoded(std::uint8_t byte) {
    if (record_bytes) decoded.push_back(byte);
    take(byte);
}

Reply Keyboard::answer(std::uint8_t received_byte) {
    if (!scripted_replies.empty()) {
        Reply r = scripted_replies.front();
        scripted_replies.pop_front();
        return r;
    }
    switch (answer_mode) {
    case AnswerMode::silent: return {};
    case AnswerMode::resend: return {true, kResend};
    case AnswerMode::acknowledge: break;
    }
    if (received_byte == kEcho && !led_data_next_ && command_ == 0) {
        if (!answers_echo) return {};
        return {true, kEcho};
    }
    return {true, kAck};
}

void Keyboard::take(std::uint8_t byte) {
    // Frame commands cannot occur inside a frame (every byte there is a digit),
    // so they start a frame whether or not a start byte came first: on the
    // controller ports the start byte never reaches the keyboard.
    switch (byte) {
    case kFrameStart:
        if (command_ != 0) finish_frame(false);
        return;
    case kWriteBlock:
    case kReadRequest:
        if (command_ != 0) finish_frame(false);
        command_ = byte;
        digits_.clear();
        return;
    case kEndOfDownload:
        if (command_ != 0) finish_frame(false);
        ++end_of_download;
        return;
    default: break;
    }
    if (command_ != 0) {
        take_digit(byte);
        return;
    }
    if (byte == kEnable) ++enable_commands;
    if (byte == kEcho) ++echo_commands;
}

void Keyboard::take_digit(std::uint8_t byte) {
    if (digit_value(byte) < 0) {
        finish_frame(false);
        take(byte);
        return;
    }
    digits_.push_back(byte);
    if (digits_.size() < KBP_FRAME_HEADER_DIGITS) return;
    if (command_ == kReadRequest) {
        finish_frame(true);
        return;
    }
    if (digits_.size() == write_block_digits(byte_at(kCountAt))) finish_frame(true);
}

void Keyboard::finish_frame(bool complete) {
    Frame f;
    f.command = command_;
    command_ = 0;
    unsigned header_sum = 0;
    const bool has_header = digits_.size() >= KBP_FRAME_HEADER_DIGITS;
    if (has_header) {
        for (std::size_t i = 0; i < kCountAt; ++i)
            f.address = static_cast<std::uint16_t>(f.address << 4 | digit_value(digits_[i]));
        for (std::size_t i = 0; i < kHeaderSumAt; ++i) header_sum += digit_value(digits_[i]);
        f.count = byte_at(kCountAt);
    }
    bool good = complete && has_header && (header_sum & 0xFF) == byte_at(kHeaderSumAt);
    if (good && f.command == kWriteBlock) {
        std::uint8_t data_sum = 0;
        for (std::size_t i = 0; i < f.count; ++i) {
            const std::size_t at = kDataAt + KBP_FRAME_DIGITS_PER_BYTE * i;
            data_sum = static_cast<std::uint8_t>(data_sum + digit_value(digits_[at]) + digit_value(digits_[at + 1]));
            f.data.push_back(byte_at(at));
        }
        good = data_sum == byte_at(kDataAt + KBP_FRAME_DIGITS_PER_BYTE * std::size_t{f.count});
        if (good) {
            for (std::size_t i = 0; i < f.data.size(); ++i) {
                const std::uint16_t cell = static_cast<std::uint16_t>(f.address + i);
                if (cell != stuck_cell) memory[cell] = f.data[i];
            }
        }
    }
    f.good = good;
    digits_.clear();
    if (good && f.command == kReadRequest) {
        ++read_requests;
        if (answers_reads)
            for (std::uint8_t digit : read_answer(f.address, f.count)) typed.push_back(make_code_of(digit));
    }
    if (good)
        ++good_frames;
    else
        ++bad_frames;
    if (record_frames) frames.push_back(std::move(f));
}

std::uint8_t Keyboard::byte_at(std::size_t at) const {
    return static_cast<std::uint8_t>(digit_value(digits_[at]) << 4 | digit_value(digits_[at + 1]));
}

std::vector<std::uint8_t> Keyboard::read_answer(std::uint16_t address, std::uint8_t count) const {
    std::vector<std::uint8_t> typed;
    std::uint8_t sum = 0;
    for (unsigned i = 0; i < count; ++i) {
        const std::uint8_t b = memory[(address + i) % memory.size()];
        sum = static_cast<std::uint8_t>(sum + (b >> 4) + (b & 0x0F));
        typed.push_back(hex_digit_of(b >> 4));
        typed.push_back(hex_digit_of(b));
    }
    typed.push_back(hex_digit_of(sum >> 4));
    typed.push_back(hex_digit_of(sum));
    return typed;
}

}  // namespace kbdsim
