#include "cli/numbers.h"

#include "output/text.h"

namespace kbptool {
namespace {

std::optional<unsigned> digit_value(char c, unsigned base) {
    unsigned d = base;
    if (c >= '0' && c <= '9') d = unsigned(c - '0');
    else if (c >= 'a' && c <= 'f') d = unsigned(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') d = unsigned(c - 'A' + 10);
    if (d >= base) return std::nullopt;
    return d;
}

// The digits' value; none when they are not all digits of the base. A value
// past 64 bits is kept at UINT64_MAX: out of every range anyway.
std::optional<std::uint64_t> digits_value(std::string_view digits, unsigned base) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : digits) {
        const std::optional<unsigned> d = digit_value(c, base);
        if (!d) return std::nullopt;
        value = value > (UINT64_MAX - *d) / base ? UINT64_MAX : value * base + *d;
    }
    return value;
}

std::string shown(std::uint64_t n, bool hex) { return hex ? hex_text(unsigned(n), 4) : std::to_string(n); }
}  // namespace

std::string NumberRange::text() const {
    if (last == UINT64_MAX) return shown(first, hex) + " or more";
    return shown(first, hex) + ".." + shown(last, hex);
}

ReadNumber read_number(std::string_view text, const NumberRange& range) {
    const bool negative = text.starts_with('-');
    std::string_view digits = negative ? text.substr(1) : text;
    unsigned base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    }
    const std::optional<std::uint64_t> value = digits_value(digits, base);
    const std::string quoted = "\"" + std::string(text) + "\"";
    if (!value)
        return {std::nullopt, quoted + " is not a number (decimal, or hexadecimal after 0x)"};
    if ((negative && *value != 0) || *value < range.first || *value > range.last)
        return {std::nullopt, quoted + (range.last == UINT64_MAX ? " is not " : " is outside ") + range.text()};
    return {*value, ""};
}

ReadNumber read_byte(std::string_view text) { return read_number(text, {0, 255}); }

std::optional<int> byte_value(std::string_view text) {
    const std::optional<std::uint64_t> byte = read_byte(text).value;
    if (!byte) return std::nullopt;
    return int(*byte);
}
}  // namespace kbptool
