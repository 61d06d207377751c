#include "output/readable_text.h"

#include <cstdio>
#include <cstdlib>

namespace kbptool {

std::string readable(std::string_view text, bool utf8) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
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

bool terminal_takes_utf8() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        const std::string v = value;
        return v.find("UTF-8") != std::string::npos || v.find("utf8") != std::string::npos ||
               v.find("utf-8") != std::string::npos || v.find("UTF8") != std::string::npos;
    }
    return false;
}

std::string json_string(std::string_view text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c >= 0x80) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

}  // namespace kbptool
