#pragma once
// The top-level fields of one JSON object as kbptool writes it: what a
// worker's report says, read back by the kbptool that ran it.
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kbptool {
struct JsonFields {
    std::map<std::string, std::string> texts;  // strings, decoded
    std::map<std::string, double> numbers;
    std::map<std::string, bool> flags;

    std::string text(const std::string& key) const;
    std::optional<double> number(const std::string& key) const;
    std::optional<bool> flag(const std::string& key) const;
};
// None when `json` holds no whole object; nested values are passed over.
std::optional<JsonFields> read_json_fields(std::string_view json);
}  // namespace kbptool
