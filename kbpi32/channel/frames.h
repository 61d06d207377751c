#pragma once
// Transfer frames: start byte, command byte, then hex digits with nibble-sum
// checksums, each byte through the byte channel.
#include <cstdint>

namespace kbp {

// The upper-case hex digit of the low nibble of `value`.
std::uint8_t hex_digit(int value);

// One write-block frame: 0 when every byte went through, else the status of the
// first send that failed (nothing after it is sent).
std::uint8_t send_write_block(int address, const std::uint8_t* data, std::int8_t count);

// One read-request frame for `count` bytes at `address`; 0 or the failing status.
int send_read_request(int address, std::int8_t count);

// The end-of-download command, both bytes whatever the first met;
// 0 or the first failing status.
std::uint8_t send_end_of_download();

}  // namespace kbp
