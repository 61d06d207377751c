#pragma once
// The numbers of the command line: decimal, or hexadecimal after 0x. Leading
// zeros are decimal (a technician's 020 is twenty, not sixteen).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kbptool {
struct NumberRange {
    std::uint64_t first = 0;
    std::uint64_t last = UINT64_MAX;
    bool hex = false;  // shown as 0x0000..0xFFFF, for addresses

    // "0..255", "0..0xFFFF", "1 or more".
    std::string text() const;
};

struct ReadNumber {
    std::optional<std::uint64_t> value;
    std::string problem;  // why there is none, naming the text and what is allowed
};

ReadNumber read_number(std::string_view text, const NumberRange& range);
ReadNumber read_byte(std::string_view text);
std::optional<int> byte_value(std::string_view text);
}  // namespace kbptool
