#pragma once
// Windows speaks UTF-16; the tool holds its texts in UTF-8.
#include <optional>
#include <string>
#include <string_view>

namespace kbptool {

std::string utf8_of(std::wstring_view text);
std::wstring wide_of(std::string_view utf8);
// The name in the ANSI code page, as a DLL's char* calls take it; none when
// the code page cannot spell every character of it.
std::optional<std::string> ansi_spelling(std::wstring_view name);
std::wstring wide_of_ansi(std::string_view ansi);

}  // namespace kbptool
