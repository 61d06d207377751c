#include "serial_settings.h"

namespace kbp {

const char* const com_probe_table[kProbeEntries + 1] = {
    "9600,E,8,1",  "9600,O,8,1",  "9600,N,8,1",  "4800,E,8,1",  "4800,O,8,1",  "4800,N,8,1",
    "2400,E,8,1",  "2400,O,8,1",  "2400,N,8,1",  "38400,E,8,1", "38400,O,8,1", "38400,N,8,1",
    "1200,E,8,1",  "1200,O,8,1",  "1200,N,8,1",  "19200,E,8,1", "19200,O,8,1", "19200,N,8,1",
    "600,E,8,1",   "600,O,8,1",   "600,N,8,1",   "300,E,8,1",   "300,O,8,1",   "300,N,8,1",
    "",
};

namespace {

constexpr int kMaxRateDigits = 5;
constexpr std::uint32_t kRateStep = 300;

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool parse_parity(char letter, std::uint8_t& parity) {
    switch (letter) {
    case 'N': case 'n': parity = 0; return true;
    case 'O': case 'o': parity = 1; return true;
    case 'E': case 'e': parity = 2; return true;
    default: return false;
    }
}

}  // namespace

bool parse_line_settings(const char* text, LineSettings& settings) {
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

}  // namespace kbp
