#include "hosts/windows/windows_library_files.h"

#include <windows.h>

#include "hosts/windows/windows_system_text.h"
#include "hosts/windows/windows_unicode.h"

namespace kbptool {

namespace {

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

}  // namespace

bool library_temporary_name(const std::string& file, LibraryUse use, std::string& name, std::string& error) {
    std::wstring folder;
    if (!spelt_temporary_folder(folder, error)) return false;
    wchar_t temporary[MAX_PATH] = {};
    if (GetTempFileNameW(folder.c_str(), L"kbp", 0, temporary) == 0) {
        error = "cannot make a temporary file for kbpi32.dll in " + utf8_of(folder) + ": " +
                system_error_text(GetLastError());
        return false;
    }
    if (use == LibraryUse::reads && !CopyFileW(wide_of(file).c_str(), temporary, FALSE)) {
        const DWORD code = GetLastError();
        DeleteFileW(temporary);
        error = "cannot copy " + file + " for kbpi32.dll to " + utf8_of(temporary) + ": " + system_error_text(code, file);
        return false;
    }
    // The folder is spelt, and GetTempFileNameW's own part is ASCII.
    name = ansi_spelling(temporary).value_or(std::string());
    return true;
}

bool finish_library_temporary(const std::string& name, const std::string& file, bool keep, std::string& error) {
    const std::wstring temporary = wide_of_ansi(name);
    if (keep && !MoveFileExW(temporary.c_str(), wide_of(file).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        const DWORD code = GetLastError();
        DeleteFileW(temporary.c_str());
        error = "cannot move kbpi32.dll's file " + utf8_of(temporary) + " to " + file + ": " + system_error_text(code, file);
        return false;
    }
    if (!keep) DeleteFileW(temporary.c_str());
    return true;
}

}  // namespace kbptool
