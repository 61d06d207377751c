#include "output/text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>


namespace kbptool {
namespace {

// The length of the UTF-8 character that `text` begins with a byte 0x80..0xFF;
// 0 when it begins none (a continuation byte, an overlong form, a surrogate,
// past U+10FFFF, cut short).
std::size_t utf8_character_length(std::string_view text) {
    const auto at = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(0);
    std::size_t length = 0;
    unsigned char second_low = 0x80, second_high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) second_low = 0xA0;
        if (lead == 0xED) second_high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) second_low = 0x90;
        if (lead == 0xF4) second_high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || at(1) < second_low || at(1) > second_high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (at(i) < 0x80 || at(i) > 0xBF) return 0;
    return length;
}
}  // namespace

std::string readable(std::string_view text, bool utf8) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const std::size_t length = utf8_character_length(text.substr(i)); length > 0) {
            out += text.substr(i, length);
            i += length - 1;
        } else if (utf8) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += c == 0xB4 ? '\'' : '?';
        }
    }
    return out;
}

std::string hex_text(unsigned value, int digits) { return "0x" + hex_digits(value, digits); }

std::string hex_digits(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

std::string usb_ids_text(unsigned vendor, unsigned product) {
    return "vendor " + hex_digits(vendor, 4) + " product " + hex_digits(product, 4);
}

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \r\n\t");
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(" \r\n\t") - first + 1));
}

bool locale_takes_utf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        const std::string_view v = value;
        return std::ranges::any_of(std::initializer_list<std::string_view>{"UTF-8", "utf8", "utf-8", "UTF8"},
                                   [v](std::string_view name) { return v.find(name) != v.npos; });
    }
    return false;
}

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = text[i];
        const std::size_t length = c < 0x80 ? 1 : utf8_character_length(text.substr(i));
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || length == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += text.substr(i, length);
            i += length - 1;
        }
    }
    return out + "\"";
}

JsonObject& JsonObject::raw(std::string_view key, std::string value) {
    if (!body_.empty()) body_ += ", ";
    body_ += json_string(key) + ": " + value;
    return *this;
}

JsonObject& JsonObject::text(std::string_view key, std::string_view value) { return raw(key, json_string(value)); }

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
