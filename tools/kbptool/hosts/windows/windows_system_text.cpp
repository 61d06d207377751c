#include "hosts/windows/windows_system_text.h"

#include <windows.h>

#include "hosts/windows/windows_unicode.h"

namespace kbptool {

std::string system_error_text(unsigned long code, const std::string& subject) {
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        0, text, sizeof text / sizeof text[0], nullptr);
    std::string words = utf8_of({text, length});  // the tool's texts are UTF-8, whatever the system's language
    while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' '))
        words.pop_back();
    for (std::size_t at = words.find("%1"); at != std::string::npos; at = words.find("%1", at + subject.size()))
        words.replace(at, 2, subject);
    const std::string number = "(error " + std::to_string(code) + ")";
    return words.empty() ? number : words + " " + number;
}

}  // namespace kbptool
