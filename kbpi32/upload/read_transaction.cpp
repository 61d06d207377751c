#include "read_transaction.h"

#include "include/kbp_protocol.h"
#include "kbpi32/channel/frames.h"
#include "kbpi32/common/held_quit.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/upload/function_library.h"

namespace kbp {

CaptureState capture_state;

namespace {

constexpr int kCaptureMode = 1;
constexpr int kCaptureLimit = 300;
constexpr int kNotADigit = 32;

constexpr int keystrokes_for(int count) { return KBP_READ_ANSWER_KEYS(count); }

bool arm_capture(int count) {
    const kbpfunc::CaptureData capture = capture_data_routine();
    if (capture == nullptr) return false;
    return static_cast<std::uint8_t>(capture(keystrokes_for(count), kCaptureMode, kCaptureLimit)) == 0;
}

// Pumps the thread's whole queue, so the caller's windows stay served and the
// capture callback and the timer procedure run from here, until the answer is
// captured or the timer has ended. A quit message is taken and held for the
// transfer to post back: the read must go on. The elapsed tick count also ends
// the wait, should the timer's message never come.
void wait_for_answer() {
    const std::uint32_t started = platform::tick_count();
    for (;;) {
        platform::Message message{};
        const int fetched = platform::get_message(message);
        if (fetched > 0) {
            platform::translate_message(message);
            platform::dispatch_message(message);
        } else if (fetched == 0) {
            hold_quit(static_cast<int>(message.wparam));
        }
        if (capture_state.capture_done != 0 || timer_state.pending_timer == 0) return;
        if (fetched < 0 || platform::tick_count() - started >= kUploadTimerIntervalMs) {
            kill_pending_timer();
            return;
        }
    }
}

// Decodes the captured make codes: count data bytes, then the two digits of
// the nibble sum modulo 256.
bool decode_answer(int count, std::uint8_t* staging) {
    if (capture_state.captured_count != keystrokes_for(count)) return false;
    const kbpfunc::GetDataCapture get_codes = get_data_capture_routine();
    const std::uint8_t* codes = get_codes != nullptr ? get_codes() : nullptr;
    if (codes == nullptr) return false;
    int values[keystrokes_for(kMaxReadCount)];
    for (int i = 0; i < keystrokes_for(count); ++i) {
        if (codes[i] == 0) return false;
        values[i] = hex_digit_value(scan_code_digit(codes[i]));
    }
    unsigned sum = 0;
    for (int i = 0; i < 2 * count; ++i) {
        if (values[i] == kNotADigit) return false;
        sum += static_cast<unsigned>(values[i]);
    }
    for (int k = 0; k < count; ++k) staging[k] = static_cast<std::uint8_t>(values[2 * k] * 16 + values[2 * k + 1]);
    const unsigned low_sum = sum & 0xFF;
    return values[2 * count] == static_cast<int>(low_sum >> 4) && values[2 * count + 1] == static_cast<int>(low_sum & 0x0F);
}

}  // namespace

char scan_code_digit(std::uint8_t make_code) {
    switch (make_code) {
    case 0x02: return '1';
    case 0x03: return '2';
    case 0x04: return '3';
    case 0x05: return '4';
    case 0x06: return '5';
    case 0x07: return '6';
    case 0x08: return '7';
    case 0x09: return '8';
    case 0x0A: return '9';
    case 0x0B: return '0';
    case 0x1E: return 'A';
    case 0x30: return 'B';
    case 0x2E: return 'C';
    case 0x20: return 'D';
    case 0x12: return 'E';
    case 0x21: return 'F';
    default: return 0;
    }
}

int hex_digit_value(char digit) {
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    return kNotADigit;
}

int KBP_STDCALL capture_complete(int count) {
    capture_state.capture_done = 1;
    capture_state.captured_count = count;
    return count;
}

void KBP_STDCALL upload_timer_proc(void*, unsigned, platform::TimerId, unsigned long) { kill_pending_timer(); }

ReadOutcome read_transaction(int address, int count, std::uint8_t* bytes) {
    if (count < 1 || count > kMaxReadCount) return ReadOutcome::not_armed;
    // A late completion of an earlier read must not count for this one.
    capture_state = CaptureState{};
    // Armed before the request goes out, so no early keystroke is lost.
    if (!arm_capture(count)) return ReadOutcome::not_armed;
    // A request that did not reach the keyboard shows up as a timeout.
    send_read_request(address, static_cast<std::int8_t>(count));

    kill_pending_timer();
    timer_state.pending_timer = platform::set_timer(kUploadTimerIntervalMs, upload_timer_proc);
    // Without a timer nothing would end a wait for an answer that never comes.
    if (timer_state.pending_timer != 0) wait_for_answer();

    std::uint8_t staging[kMaxReadCount];
    const bool read = capture_state.capture_done != 0 && decode_answer(count, staging);
    capture_state.capture_done = 0;
    kill_pending_timer();
    if (!read) return ReadOutcome::failed;
    if (bytes != nullptr)
        for (int k = 0; k < count; ++k) bytes[k] = staging[k];
    return ReadOutcome::read;
}

std::uint8_t read_block(int address, int count, std::uint8_t* bytes) {
    return read_transaction(address, count, bytes) == ReadOutcome::read ? 0 : 1;
}

}  // namespace kbp
