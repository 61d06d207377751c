#pragma once
// The i8042 keyboard controller at ports 0x60 (data) and 0x64 (status and
// command), with a keyboard behind it.
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "kbdsim/keyboard.h"

namespace sim {

struct PortAccess {
    bool write;
    std::uint16_t port;
    std::uint8_t value;
    bool operator==(const PortAccess&) const = default;
};

struct Controller {
    kbdsim::Keyboard* keyboard = nullptr;  // none plugged in: nothing answers
    bool io_permitted = true;              // whether the OS grants this process port I/O
    bool input_buffer_stuck = false;       // status bit 1 never clears
    unsigned busy_polls = 0;               // bit 1 reads 1 for this many status reads after each write
    unsigned stuck_after_write = 0;        // bit 1 never clears after this write (counted from 1); 0 never
    // A keyboard that keeps sending this byte: the output buffer never empties.
    std::optional<std::uint8_t> repeated_byte;
    std::uint8_t extra_status = 0;         // further status bits, e.g. 0x60
    bool record = true;                    // keep every access in `accesses`

    // --- what a test inspects
    std::vector<PortAccess> accesses;
    std::uint64_t reads = 0;
    std::uint64_t writes = 0;
    std::uint64_t writes_while_busy = 0;   // made while bit 1 read 1: a real controller loses them
    std::uint8_t command_byte = 0x45;      // as the BIOS left it
    std::vector<std::uint8_t> command_bytes_written;
    std::vector<std::uint8_t> bytes_to_keyboard;
    std::deque<std::uint8_t> output;       // bytes waiting for the host at 0x60

    std::uint8_t read(std::uint16_t port);
    void write(std::uint16_t port, std::uint8_t value);

private:
    bool input_buffer_full() const { return input_buffer_stuck || stuck_ || busy_left_ > 0; }
    bool command_byte_next_ = false;
    bool stuck_ = false;
    unsigned busy_left_ = 0;
    std::uint8_t last_output_ = 0;
};

Controller& controller();

}  // namespace sim
