#include "hosts/windows/windows_command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>

#include "hosts/windows/windows_unicode.h"

namespace kbptool {

std::vector<std::string> unicode_arguments(int argc, char** argv) {
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return {argv + 1, argv + argc};
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(utf8_of(words[i]));
    LocalFree(words);
    return args;
}

namespace {
UINT console_page = 0;  // the console's own; 0 when there is no console
void restore_console_page() { SetConsoleOutputCP(console_page); }
}  // namespace

void show_utf8_on_console() {
    console_page = GetConsoleOutputCP();
    if (console_page == 0 || console_page == CP_UTF8) return;
    if (SetConsoleOutputCP(CP_UTF8)) std::atexit(restore_console_page);
}

}  // namespace kbptool
