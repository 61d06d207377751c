#pragma once
// The line settings a port text carries ("9600,N,8,1"), and the table the
// automatic search tries when it carries none.
#include <cstdint>

namespace kbp {

struct LineSettings {
    std::uint32_t rate = 0;
    std::uint8_t parity = 0;  // 0 none, 1 odd, 2 even (as in the DCB)
    std::uint8_t data_bits = 0;
};

// Reads rate, one separator, parity letter and data bits from the start of
// `text`; the stop bits are not read. False for bad settings: a rate of more
// than five digits, not a multiple of 300 or below 300, a parity other than
// N/O/E (either case), data bits other than 7 or 8.
bool parse_line_settings(const char* text, LineSettings& settings);

// The 24 settings the automatic search tries, in order, then the empty end
// marker.
constexpr int kProbeEntries = 24;
extern const char* const com_probe_table[kProbeEntries + 1];

}  // namespace kbp
