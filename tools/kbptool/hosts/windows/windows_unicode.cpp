#include "hosts/windows/windows_unicode.h"

#include <windows.h>

namespace kbptool {

std::string utf8_of(std::wstring_view text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

namespace {

std::wstring wide_in(UINT code_page, std::string_view text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(code_page, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

}  // namespace

std::wstring wide_of(std::string_view utf8) { return wide_in(CP_UTF8, utf8); }

std::wstring wide_of_ansi(std::string_view ansi) { return wide_in(CP_ACP, ansi); }

std::optional<std::string> ansi_spelling(std::wstring_view name) {
    if (name.empty()) return std::string();
    // A UTF-8 code page spells everything, and takes no question about defaults.
    const bool utf8_page = GetACP() == CP_UTF8;
    const DWORD flags = utf8_page ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL defaulted = FALSE;
    BOOL* asked = utf8_page ? nullptr : &defaulted;
    const int size = WideCharToMultiByte(CP_ACP, flags, name.data(), int(name.size()), nullptr, 0, nullptr, asked);
    if (size <= 0 || defaulted) return std::nullopt;
    std::string ansi(std::size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, name.data(), int(name.size()), ansi.data(), size, nullptr, asked);
    if (defaulted) return std::nullopt;
    return ansi;
}

}  // namespace kbptool
