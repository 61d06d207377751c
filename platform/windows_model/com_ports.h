#pragma once
// What Windows makes of a COM port that a backend without Windows must make
// of it too: the names that open one, and how long ReadFile and WriteFile
// wait under a port's COMMTIMEOUTS.
#include <cstdint>
#include <optional>

#include "platform/serial.h"

namespace platform::windows_model {

// COM1..COM9, the ports the library names.
inline constexpr int kComPortCount = 9;

// 1..9 for "COMn" or "\\.\COMn" in either case; 0 for any other name.
int com_port_number(const char* name);

// MAXDWORD, which gives some time-outs a meaning of their own.
inline constexpr std::uint32_t kMaxDword = 0xFFFFFFFFu;

// How ReadFile of `size` bytes waits on a COM port.
struct ReadWait {
    // Returns at once with what has arrived: a MAXDWORD read interval and no
    // total time-out.
    bool returns_at_once = false;
    // Returns as soon as anything has arrived, and waits for the first byte
    // no longer than the total: MAXDWORD interval and multiplier, a constant
    // between 0 and MAXDWORD.
    bool returns_at_first_byte = false;
    // The total time-out, multiplier per byte plus constant; none when both
    // are 0: the read waits for every byte.
    std::optional<std::uint64_t> total_ms;
    // Once a byte has arrived, the longest gap before the next; 0 none.
    std::uint32_t interval_ms = 0;
};
ReadWait read_wait(const CommTimeouts& timeouts, std::uint32_t size);

// How long a ReadFile that has `received` of what it asked for by now, with
// nothing more on the way, waits before it returns; none: it waits for ever.
std::optional<std::uint64_t> short_read_wait_ms(const ReadWait& wait, std::uint32_t received);

// The total time-out of WriteFile of `size` bytes; none when there is none.
std::optional<std::uint64_t> write_total_ms(const CommTimeouts& timeouts, std::uint32_t size);

}  // namespace platform::windows_model
