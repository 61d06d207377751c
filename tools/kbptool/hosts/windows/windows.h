#pragma once
// What the Windows host's files share: the system's words for its errors, its
// UTF-16 in the tool's UTF-8, and kbpi32.dll beside the program.
#include <windows.h>

#include <string>
#include <string_view>

#include "hosts/host.h"

namespace kbptool::windows {
std::string utf8_of(std::wstring_view text);
std::wstring wide_of(std::string_view utf8);
// "The specified module could not be found. (error 126)", with `subject` for
// the file the system's text names ("%1 is not a valid Win32 application");
// the number alone when the system has no text for it.
std::string system_error_text(unsigned long code, const std::string& subject = "the file");
// kbpi32.dll in the program's own folder, found by name as any host program does.
std::string kbpi32_path();
}  // namespace kbptool::windows
