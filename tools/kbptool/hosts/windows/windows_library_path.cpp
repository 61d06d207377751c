#include "hosts/windows/windows_library_path.h"

#include <windows.h>

namespace kbptool {

std::string kbpi32_path() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + "kbpi32.dll";
}

}  // namespace kbptool
