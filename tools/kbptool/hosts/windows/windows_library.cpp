// The real kbpi32.dll in the program's own folder, loaded by name as any host
// program does, with the system's words for what went wrong.
#include "hosts/windows/windows.h"
#include "include/kbp_protocol.h"

namespace kbptool::windows {

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

std::string kbpi32_path() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    return folder + "kbpi32.dll";
}

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

namespace {

constexpr const char* kBits = sizeof(void*) == 8 ? "64-bit" : "32-bit";

// One line of what the person at the keyboard can do about a failed load.
std::string what_to_try(DWORD code, const std::string& path) {
    const bool present = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (code == ERROR_MOD_NOT_FOUND && !present)
        return "put kbpi32.dll beside kbptool.exe (and " KBP_USB_LIBRARY_NAME " for USB, KBPFUNC.DLL for uploads)";
    if (code == ERROR_MOD_NOT_FOUND) return "kbpi32.dll is there, but a system DLL it imports is missing";
    if (code == ERROR_BAD_EXE_FORMAT)
        return std::string("the DLL is of the other architecture (or no DLL at all): this ") + kBits +
               " kbptool.exe needs the " + kBits + " kbpi32.dll";
    return std::string("put the ") + kBits + " kbpi32.dll of this system beside kbptool.exe";
}

template <typename F>
bool find(HMODULE module, const char* name, F& slot, std::string& missing) {
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (slot == nullptr && missing.empty()) missing = name;
    return slot != nullptr;
}

}  // namespace

bool load_kbpi32_dll(Library& library, Failure& failure) {
    const std::string path = kbpi32_path();
    // A DLL that cannot load is reported here, never in a system box nobody may answer.
    const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    const DWORD code = GetLastError();
    SetErrorMode(old_mode);
    if (module == nullptr) {
        failure = {"cannot load " + path + ": " + system_error_text(code, "kbpi32.dll"), "", what_to_try(code, path)};
        return false;
    }
    Library found;
    std::string missing;
    find(module, "kbp_download", found.download, missing);
    find(module, "kbp_upload", found.upload, missing);
    find(module, "kbp_set_interface", found.set_interface, missing);
    find(module, "kbp_get_interface", found.get_interface, missing);
    find(module, "kbp_snd_interface", found.send_byte, missing);
    find(module, "kbp_get_last_transfer", found.last_transfer, missing);
    find(module, "kbp_read_port_text", found.read_port_text, missing);
    if (!missing.empty()) {
        FreeLibrary(module);
        failure = {path + " has no export " + missing + ": it is not a kbpi32.dll of this system", "",
                   std::string("put the ") + kBits + " kbpi32.dll of this system beside kbptool.exe"};
        return false;
    }
    found.location = path;
    found.version = file_version(path);
    library = std::move(found);
    return true;
}

}  // namespace kbptool::windows
