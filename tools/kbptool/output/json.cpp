#include "output/json.h"

#include <cstdio>

#include "output/text.h"

namespace kbptool {

JsonObject& JsonObject::raw(std::string_view key, std::string value) {
    if (!body_.empty()) body_ += ", ";
    body_ += json_string(key) + ": " + value;
    return *this;
}

JsonObject& JsonObject::text(std::string_view key, std::string_view value) { return raw(key, json_string(value)); }

JsonObject& JsonObject::number(std::string_view key, long value) { return raw(key, std::to_string(value)); }

JsonObject& JsonObject::number(std::string_view key, std::optional<long> value) {
    return raw(key, value ? std::to_string(*value) : "null");
}

JsonObject& JsonObject::seconds(std::string_view key, double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return raw(key, text);
}

JsonObject& JsonObject::flag(std::string_view key, bool value) { return raw(key, value ? "true" : "false"); }

JsonObject& JsonObject::texts(std::string_view key, const std::vector<std::string>& values) {
    std::string list = "[";
    for (const std::string& value : values) list += (list.size() > 1 ? ", " : "") + json_string(value);
    return raw(key, list + "]");
}

JsonObject& JsonObject::objects(std::string_view key, const std::vector<JsonObject>& values) {
    std::string list = "[";
    for (const JsonObject& value : values) list += (list.size() > 1 ? ", " : "") + value.str();
    return raw(key, list + "]");
}

std::string JsonObject::str() const { return "{" + body_ + "}"; }

}  // namespace kbptool
