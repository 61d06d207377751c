#pragma once
// The one read transaction: the keyboard answers a read request by typing the
// bytes as hex-digit keystrokes, which the function library captures.
#include <cstdint>

#include "platform/abi.h"
#include "platform/platform.h"

namespace kbp {

struct CaptureState {
    std::uint32_t capture_done = 0;  // set by capture_complete
    std::int32_t captured_count = 0; // codes the library reported at its last completion
    bool operator==(const CaptureState&) const = default;
};
extern CaptureState capture_state;

// How long a read transaction waits for the keyboard's answer.
constexpr std::uint32_t kUploadTimerIntervalMs = 500;

// At most this many bytes are read in one transaction.
constexpr int kMaxReadCount = 16;

enum class ReadOutcome {
    read,        // the bytes arrived and both checksum digits matched
    failed,      // timeout, wrong count, a key that is no digit, checksum mismatch
    not_armed,   // the capture could not be armed: no request was sent
};

// Reads `count` (1..16) bytes at keyboard `address` into `bytes` (may be null).
// Called only while the function library is bound.
ReadOutcome read_transaction(int address, int count, std::uint8_t* bytes);

// The same as 0 (read) or 1 (any failure).
std::uint8_t read_block(int address, int count, std::uint8_t* bytes = nullptr);

// The completion callback handed to the function library: notes the count.
int KBP_STDCALL capture_complete(int count);

// The timer procedure of the read wait (exported as UploadTimerProc).
void KBP_STDCALL upload_timer_proc(void* window, unsigned message, platform::TimerId timer, unsigned long time);

// A make code of scan code set 1 as the hex digit character its key carries,
// 0 for any other key.
char scan_code_digit(std::uint8_t make_code);
// '0'..'9' and 'A'..'F' as 0..15; anything else is 32 (not a digit).
int hex_digit_value(char digit);

}  // namespace kbp
