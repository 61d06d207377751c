#include "cli/numbers.h"

#include <charconv>

#include "output/text.h"

namespace kbptool {
namespace {
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
    std::uint64_t value = 0;
    const char* const last = digits.data() + digits.size();
    const auto [end, error] = std::from_chars(digits.data(), last, value, int(base));
    const std::string quoted = "\"" + std::string(text) + "\"";
    if (digits.empty() || end != last || error == std::errc::invalid_argument)
        return {std::nullopt, quoted + " is not a number (decimal, or hexadecimal after 0x)"};
    if (error == std::errc::result_out_of_range) value = UINT64_MAX;  // out of every range
    if ((negative && value != 0) || value < range.first || value > range.last)
        return {std::nullopt, quoted + (range.last == UINT64_MAX ? " is not " : " is outside ") + range.text()};
    return {value, ""};
}

ReadNumber read_byte(std::string_view text) { return read_number(text, {0, 255}); }

std::optional<int> byte_value(std::string_view text) {
    const std::optional<std::uint64_t> byte = read_byte(text).value;
    if (!byte) return std::nullopt;
    return int(*byte);
}
}  // namespace kbptool
