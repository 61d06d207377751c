#pragma once
// Two kinds of text reach the output: the library's, which are Windows ANSI
// bytes ("can\xB4t"), and the tool's own, which quote what the person typed
// (file names, paths, devices) byte for byte: UTF-8 wherever the system gives
// UTF-8, any bytes on Linux. These make both printable on a terminal and in JSON.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kbptool {
// A text of the library's without its trailing line feeds: a UTF-8 character
// (of a file name it quotes) kept, any other byte 0x80..0xFF as its Latin-1
// character where the terminal takes UTF-8, else '?' (0xB4 as ').
std::string readable(std::string_view ansi_text, bool utf8);
// A JSON string literal, always valid UTF-8: a UTF-8 character as it is, a
// control character or a byte of none as \u00XX, its Latin-1 character (the
// library's "can\u00b4t"; encoding them as Latin-1 gives a Linux name back).
std::string json_string(std::string_view text);
// One JSON object, written in the order its fields were added.
class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view value);  // as json_string writes it
    JsonObject& number(std::string_view key, std::optional<long> value);  // none: null
    JsonObject& seconds(std::string_view key, double value);
    JsonObject& flag(std::string_view key, bool value);
    JsonObject& texts(std::string_view key, const std::vector<std::string>& values);
    JsonObject& objects(std::string_view key, const std::vector<JsonObject>& values);
    JsonObject& raw(std::string_view key, std::string json);  // a value already written as JSON
    std::string str() const;

private:
    std::string body_;
};

// "0x3F" (digits 2) or "0x0100" (digits 4); hex_digits without the "0x".
std::string hex_text(unsigned value, int digits);
std::string hex_digits(unsigned value, int digits);
// "vendor 053A product 0001", as every listing shows a USB device.
std::string usb_ids_text(unsigned vendor, unsigned product);
std::string trimmed(std::string_view text);
// Whether the locale (LC_ALL, LC_CTYPE, LANG) asks for UTF-8.
bool locale_takes_utf8();
}  // namespace kbptool
