// Text between Windows' UTF-16 and the tool's UTF-8: the command line as the
// person typed it, the console, and the temporary files kbpi32.dll is given.
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <optional>

#include "hosts/windows/windows.h"

namespace kbptool {
std::string windows::utf8_of(std::wstring_view text) {
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

std::wstring windows::wide_of(std::string_view utf8) { return wide_in(CP_UTF8, utf8); }

namespace host {
using windows::system_error_text;
using windows::utf8_of;
using windows::wide_of;

namespace {


// The name in the ANSI code page, as a DLL's char* calls take it; none when
// the code page cannot spell every character of it.
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

// The temporary folder by a name the code page can spell: its own, else its
// short (8.3) name, which a folder named after a person may need.
bool spelt_temporary_folder(std::wstring& folder, std::string& error) {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) {
        error = "the temporary folder for kbpi32.dll's file cannot be found: " + system_error_text(GetLastError());
        return false;
    }
    folder.assign(path, length);
    if (ansi_spelling(folder)) return true;
    wchar_t short_path[MAX_PATH + 1] = {};
    const DWORD short_length = GetShortPathNameW(folder.c_str(), short_path, MAX_PATH + 1);
    if (short_length > 0 && short_length <= MAX_PATH && ansi_spelling({short_path, short_length})) {
        folder.assign(short_path, short_length);
        return true;
    }
    error = "the temporary folder " + utf8_of(folder) +
            " has no name kbpi32.dll can open (the ANSI code page cannot spell it, and it has no short name): "
            "set TEMP to a folder with a plain name";
    return false;
}

UINT console_page = 0;  // the console's own; 0 when there is no console
void restore_console_page() { SetConsoleOutputCP(console_page); }
}  // namespace

// The arguments read as characters (GetCommandLineW), argv's when Windows
// cannot split them; the console shows the tool's UTF-8 while it runs.
std::vector<std::string> arguments(int argc, char** argv, std::optional<Failure>&) {
    console_page = GetConsoleOutputCP();
    if (console_page != 0 && console_page != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) std::atexit(restore_console_page);
    int count = 0;
    wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr) return {argv + 1, argv + argc};
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(utf8_of(words[i]));
    LocalFree(words);
    return args;
}

// kbpi32.dll opens its files by ANSI names, which cannot spell every name a
// person types. It is always given a temporary file of the tool's instead, in
// a folder the code page can spell: one way for every name, and the library's
// texts then never quote a name in the code page.
bool give_file(const std::string& file, bool reads, std::string& name, std::string& error) {
    std::wstring folder;
    if (!spelt_temporary_folder(folder, error)) return false;
    wchar_t temporary[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), L"kbp", 0, temporary) == 0) {
        error = "cannot make a temporary file for kbpi32.dll in " + utf8_of(folder) + ": " +
                system_error_text(GetLastError());
        return false;
    }
    if (reads && !CopyFileW(wide_of(file).c_str(), temporary, FALSE)) {
        const DWORD code = GetLastError();
        DeleteFileW(temporary);
        error = "cannot copy " + file + " for kbpi32.dll to " + utf8_of(temporary) + ": " + system_error_text(code, file);
        return false;
    }
    // The folder is spelt, and GetTempFileNameW's own part is ASCII.
    name = ansi_spelling(temporary).value_or(std::string());
    return true;
}

bool take_file(const std::string& name, const std::string& file, bool keep, std::string& error) {
    const std::wstring temporary = wide_in(CP_ACP, name);
    if (keep && !MoveFileExW(temporary.c_str(), wide_of(file).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        const DWORD code = GetLastError();
        DeleteFileW(temporary.c_str());
        error = "cannot move kbpi32.dll's file " + utf8_of(temporary) + " to " + file + ": " + system_error_text(code, file);
        return false;
    }
    if (!keep) DeleteFileW(temporary.c_str());
    return true;
}
}  // namespace host
}  // namespace kbptool
