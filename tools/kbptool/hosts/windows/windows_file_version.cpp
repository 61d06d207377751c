#include "hosts/windows/windows_file_version.h"

#include <windows.h>

#include <vector>

namespace kbptool {

std::string file_version(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_size = 0;
    if (!GetFileVersionInfoA(path.c_str(), 0, size, info.data()) ||
        !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixed_size) || fixed == nullptr ||
        fixed_size < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return {};
    std::string version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(HIWORD(fixed->dwFileVersionLS));
    if (LOWORD(fixed->dwFileVersionLS) != 0) version += "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
    return version;
}

}  // namespace kbptool
