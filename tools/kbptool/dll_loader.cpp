// Where the tool gets kbpi32 from: on Windows the real kbpi32.dll in the
// program's own folder, by name, as any host program does; elsewhere the
// library's core linked into the tool, on the simulated PC.
#include "kbp_library.h"

#ifdef _WIN32
#include <windows.h>

namespace kbptool {

namespace {

template <typename F>
bool find(HMODULE module, const char* name, F& slot, std::string& error) {
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (slot == nullptr) error = std::string("kbpi32.dll has no export ") + name;
    return slot != nullptr;
}

// The folder of kbptool.exe, with its trailing backslash.
std::string program_folder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = folder.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
}

}  // namespace

bool load_kbp_library(KbpLibrary& library, std::string& error) {
    const std::string path = program_folder() + "kbpi32.dll";
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    return find(module, "kbp_download", library.download, error) && find(module, "kbp_upload", library.upload, error) &&
           find(module, "kbp_set_interface", library.set_interface, error) &&
           find(module, "kbp_get_interface", library.get_interface, error) &&
           find(module, "kbp_snd_interface", library.send_byte, error);
}

}  // namespace kbptool

#else

namespace kbptool {

bool load_kbp_library(KbpLibrary& library, std::string&) {
    library = {kbp_download, kbp_upload, kbp_set_interface, kbp_get_interface, kbp_snd_interface};
    return true;
}

}  // namespace kbptool

#endif
