#pragma once
// One JSON object, written in the order its fields were added.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kbptool {

class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view value);  // as json_string writes it
    JsonObject& number(std::string_view key, long value);
    JsonObject& number(std::string_view key, std::optional<long> value);  // none: null
    JsonObject& seconds(std::string_view key, double value);
    JsonObject& flag(std::string_view key, bool value);
    JsonObject& texts(std::string_view key, const std::vector<std::string>& values);
    JsonObject& objects(std::string_view key, const std::vector<JsonObject>& values);
    std::string str() const;

private:
    JsonObject& raw(std::string_view key, std::string value);
    std::string body_;
};

}  // namespace kbptool
