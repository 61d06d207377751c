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

// A text of the library's: trailing line feeds dropped; bytes 0x80..0xFF as
// the Latin-1 characters they stand for in UTF-8 where the terminal takes
// UTF-8, else as '?' (0xB4 as '). A UTF-8 character in it is kept as it is:
// the library quotes the file names it was given, and its own texts hold none
// (their only such byte, 0xB4, cannot begin one).
std::string readable(std::string_view ansi_text, bool utf8);
// A JSON string literal, quotes included, for a text of either kind, so the
// JSON is always valid UTF-8: a UTF-8 character is written as it is, control
// characters as \u00XX, and every byte that is not part of a UTF-8 character as
// \u00XX, the character it stands for in Latin-1. For the library's Windows
// ANSI bytes that is the character they mean ("can\u00b4t"); for a file name
// that is not UTF-8 (Linux takes any bytes) each such character stands for
// its byte: encoding them as Latin-1 gives the name back.
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
    std::string str() const;

private:
    JsonObject& raw(std::string_view key, std::string value);
    std::string body_;
};

// "0x3F" (digits 2) or "0x0100" (digits 4); hex_digits without the "0x".
std::string hex_text(unsigned value, int digits);
std::string hex_digits(unsigned value, int digits);
// A USB device's identifiers as every listing shows them: "vendor 053A product 0001".
std::string usb_ids_text(unsigned vendor, unsigned product);
// Without leading and trailing blanks and line breaks.
std::string trimmed(std::string_view text);
// Whether the output takes UTF-8, as the host says; and whether the locale
// (LC_ALL, LC_CTYPE, LANG) asks for it, where the host asks that.
bool terminal_takes_utf8();
bool locale_takes_utf8();

}  // namespace kbptool
