#pragma once
// The line settings a port text carries ("9600,N,8,1"), as kbpi32 reads them:
// one home for kbpi32's COM port and the simulated PC's echoing keyboard.
// Inline, so that neither links the other.
#include <cstdint>

namespace platform {

struct LineSettings {
    std::uint32_t rate = 0;
    std::uint8_t parity = 0;  // 0 none, 1 odd, 2 even (as in the DCB)
    std::uint8_t data_bits = 0;
    bool operator==(const LineSettings&) const = default;
};

namespace line_text {

constexpr int kMaxRateDigits = 5;
constexpr std::uint32_t kRateStep = 300;

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

constexpr bool parse_parity(char letter, std::uint8_t& parity) {
    switch (letter) {
    case 'N': case 'n': parity = 0; return true;
    case 'O': case 'o': parity = 1; return true;
    case 'E': case 'e': parity = 2; return true;
    default: return false;
    }
}

}  // namespace line_text

// Reads rate, one separator, parity letter and data bits from the start of
// `text`; the stop bits are not read. False for bad settings: a rate of more
// than five digits, not a multiple of 300 or below 300, a parity other than
// N/O/E (either case), data bits other than 7 or 8.
constexpr bool parse_line_settings(const char* text, LineSettings& settings) {
    using namespace line_text;
    if (text == nullptr) return false;
    const char* p = text;

    std::uint32_t rate = 0;
    int digits = 0;
    for (; is_digit(*p); ++p, ++digits) {
        if (digits == kMaxRateDigits) return false;
        rate = rate * 10 + static_cast<std::uint32_t>(*p - '0');
    }
    if (rate < kRateStep || rate % kRateStep != 0) return false;

    // One separator, whatever it is; the end of the text is none.
    if (*p == '\0') return false;
    ++p;

    std::uint8_t parity = 0;
    if (!parse_parity(*p, parity)) return false;
    ++p;

    // The data bits follow the parity letter directly or after one character.
    if (!is_digit(*p)) {
        if (*p == '\0') return false;
        ++p;
    }
    while (is_blank(*p)) ++p;
    if (!is_digit(*p)) return false;
    unsigned data_bits = 0;
    for (; is_digit(*p) && data_bits < 100; ++p) data_bits = data_bits * 10 + static_cast<unsigned>(*p - '0');
    if (data_bits != 7 && data_bits != 8) return false;

    settings = {rate, parity, static_cast<std::uint8_t>(data_bits)};
    return true;
}

}  // namespace platform
