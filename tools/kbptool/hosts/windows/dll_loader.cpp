// The real kbpi32.dll in the program's own folder, loaded by name as any host
// program does.
#include "hosts/windows/dll_loader.h"

#include <windows.h>

#include "include/kbp_protocol.h"
#include "hosts/windows/windows_file_version.h"
#include "hosts/windows/windows_library_path.h"
#include "hosts/windows/windows_system_text.h"

namespace kbptool {

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

bool load_kbpi32_dll(KbpLibrary& library, std::string& error) {
    const std::string path = kbpi32_path();
    // A DLL that cannot load is reported here, never in a system box nobody may answer.
    const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryA(path.c_str());
    const DWORD code = GetLastError();
    SetErrorMode(old_mode);
    if (module == nullptr) {
        error = "cannot load " + path + ": " + system_error_text(code, "kbpi32.dll") + "\n" + what_to_try(code, path);
        return false;
    }
    KbpLibrary found;
    std::string missing;
    find(module, "kbp_download", found.download, missing);
    find(module, "kbp_upload", found.upload, missing);
    find(module, "kbp_set_interface", found.set_interface, missing);
    find(module, "kbp_get_interface", found.get_interface, missing);
    find(module, "kbp_snd_interface", found.send_byte, missing);
    if (!missing.empty()) {
        FreeLibrary(module);
        error = path + " has no export " + missing + ": it is not a kbpi32.dll of this system\nput the " +
                kBits + " kbpi32.dll of this system beside kbptool.exe";
        return false;
    }
    found.location = path;
    found.version = file_version(path);
    library = std::move(found);
    return true;
}

}  // namespace kbptool
