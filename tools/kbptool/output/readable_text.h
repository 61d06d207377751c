#pragma once
// The library's texts are Windows ANSI bytes ("can\xB4t"); these make them
// printable on a terminal and in JSON.
#include <string>
#include <string_view>

namespace kbptool {

// Trailing line feeds dropped; bytes 0x80..0xFF as the Latin-1 characters they
// stand for in UTF-8 where the terminal takes UTF-8, else as '?' (0xB4 as ').
std::string readable(std::string_view ansi_text, bool utf8);
// "0x3F" (digits 2) or "0x0100" (digits 4).
std::string hex_text(unsigned value, int digits);
// The same without "0x": "3F" (digits 2).
std::string hex_digits(unsigned value, int digits);
// A USB device's identifiers as every listing shows them: "vendor 053A product 0001".
std::string usb_ids_text(unsigned vendor, unsigned product);
// Without leading and trailing blanks and line breaks.
std::string trimmed(std::string_view text);
// Whether the locale asks for UTF-8 output.
bool terminal_takes_utf8();
// A JSON string literal, quotes included; non-ASCII bytes as \u00XX.
std::string json_string(std::string_view ansi_text);

}  // namespace kbptool
