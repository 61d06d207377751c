#include "frames.h"

#include "include/kbp_protocol.h"
#include "kbpi32/channel/byte_channel.h"

namespace kbp {

std::uint8_t hex_digit(int value) {
    const unsigned v = static_cast<unsigned>(value) & 0x0F;
    return static_cast<std::uint8_t>(v < 10 ? 0x30 + v : 0x37 + v);
}

namespace {

// Sends the digit of one nibble and adds the nibble to the running sum.
std::uint8_t send_nibble(unsigned nibble, std::uint8_t& sum) {
    sum = static_cast<std::uint8_t>(sum + nibble);
    return kbd_send_byte(hex_digit(static_cast<int>(nibble)));
}

std::uint8_t send_sum(std::uint8_t sum) {
    if (std::uint8_t s = kbd_send_byte(hex_digit(sum >> 4))) return s;
    return kbd_send_byte(hex_digit(sum & 0x0F));
}

// Start, command, address, count and header checksum: the part both frames share.
std::uint8_t send_header(std::uint8_t command, int address, std::int8_t count) {
    if (std::uint8_t s = kbd_send_byte(KBP_FRAME_START)) return s;
    if (std::uint8_t s = kbd_send_byte(command)) return s;
    std::uint8_t sum = 0;
    const auto a = static_cast<unsigned>(address);
    for (int digit = KBP_FRAME_ADDRESS_DIGITS - 1; digit >= 0; --digit)
        if (std::uint8_t s = send_nibble((a >> (4 * digit)) & 0x0F, sum)) return s;
    const auto n = static_cast<std::uint8_t>(count);
    if (std::uint8_t s = send_nibble(n >> 4, sum)) return s;
    if (std::uint8_t s = send_nibble(n & 0x0F, sum)) return s;
    return send_sum(sum);
}

}  // namespace

std::uint8_t send_write_block(int address, const std::uint8_t* data, std::int8_t count) {
    if (std::uint8_t s = send_header(KBP_FRAME_WRITE_BLOCK, address, count)) return s;
    std::uint8_t sum = 0;
    for (int i = 0; i < count; ++i) {
        if (std::uint8_t s = send_nibble(data[i] >> 4, sum)) return s;
        if (std::uint8_t s = send_nibble(data[i] & 0x0F, sum)) return s;
    }
    return send_sum(sum);
}

int send_read_request(int address, std::int8_t count) { return send_header(KBP_FRAME_READ_REQUEST, address, count); }

std::uint8_t send_end_of_download() {
    // Both bytes go out whatever the first one met: the download is over either way.
    const std::uint8_t start = kbd_send_byte(KBP_FRAME_START);
    const std::uint8_t command = kbd_send_byte(KBP_FRAME_END_OF_DOWNLOAD);
    return start != 0 ? start : command;
}

}  // namespace kbp
