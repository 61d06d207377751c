// Real hardware behind kbpi32.dll, which is loaded by name from the program's
// own folder as any host program loads it: its message boxes answered as the
// command line says, its files handed over by names it can open, the devices
// found through the system.
#include "hosts/windows/windows.h"
#include "include/kbp_protocol.h"

namespace kbptool {
namespace windows {

std::string system_error_text(unsigned long code, const std::string& subject) {
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        0, text, sizeof text / sizeof text[0], nullptr);
    std::string words = utf8_of({text, length});  // the tool's texts are UTF-8, whatever the system's language
    while (!words.empty() && (words.back() == '\r' || words.back() == '\n' || words.back() == ' ')) words.pop_back();
    for (std::size_t at = words.find("%1"); at != std::string::npos; at = words.find("%1", at + subject.size()))
        words.replace(at, 2, subject);
    const std::string number = "(error " + std::to_string(code) + ")";
    return words.empty() ? number : words + " " + number;
}

std::string kbpi32_path() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string program(path, length < MAX_PATH ? length : 0);
    const std::size_t slash = program.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : program.substr(0, slash + 1)) + "kbpi32.dll";
}
}  // namespace windows

namespace host {
namespace {

// A 64-bit process cannot do port I/O.
constexpr bool kSixtyFourBit = sizeof(void*) == 8;
constexpr const char* kBits = kSixtyFourBit ? "64-bit" : "32-bit";

// "1.2.3" (a fourth number only when it is not 0) from the file's VERSIONINFO; empty when it has none.
std::string file_version(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    std::vector<char> info(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_size = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, info.data()) ||
        !VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &fixed_size) || fixed == nullptr ||
        fixed_size < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return {};
    std::string version = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                          std::to_string(HIWORD(fixed->dwFileVersionLS));
    if (LOWORD(fixed->dwFileVersionLS) != 0) version += "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
    return version;
}

// What the person at the keyboard can do about a failed load.
std::string what_to_try(DWORD code, const std::string& path) {
    const bool present = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (code == ERROR_MOD_NOT_FOUND && !present)
        return "put kbpi32.dll beside kbptool.exe (and " KBP_USB_LIBRARY_NAME " for USB, " KBP_CAPTURE_LIBRARY_NAME
               " for uploads)";
    if (code == ERROR_MOD_NOT_FOUND) return "kbpi32.dll is there, but a system DLL it imports is missing";
    if (code == ERROR_BAD_EXE_FORMAT)
        return std::string("the DLL is of the other architecture (or no DLL at all): this ") + kBits +
               " kbptool.exe needs the " + kBits + " kbpi32.dll";
    return std::string("put the ") + kBits + " kbpi32.dll of this system beside kbptool.exe";
}

template <typename F>
void find(HMODULE module, const char* name, F& slot, std::string& missing) {
    slot = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (slot == nullptr && missing.empty()) missing = name;
}
}  // namespace

const Facts& facts() {
    static const Facts here{"/?", "COM1", "the capture library " KBP_CAPTURE_LIBRARY_NAME,
                            // kbpi32.dll loads it by name, from this program's folder first; only
                            // one of this program's architecture loads.
                            std::string("put a ") + kBits + " " KBP_CAPTURE_LIBRARY_NAME " beside " +
                                windows::kbpi32_path() + ": this kbptool.exe and its kbpi32.dll are " + kBits +
                                " and load no other",
                            // The library's automatic choice would be the controller ports on a 64-bit Windows.
                            kSixtyFourBit ? std::optional<Path>(Path::usb) : std::nullopt, true, ""};
    return here;
}

void add_switches(CLI::App&) {}

void add_options(CLI::App&) {}

bool load(Library& library, Failure& failure) {
    const std::string path = windows::kbpi32_path();
    // A DLL that cannot load is reported here, never in a system box nobody may answer.
    const UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    const HMODULE module = LoadLibraryA(path.c_str());
    const DWORD code = GetLastError();
    SetErrorMode(old_mode);
    if (module == nullptr) {
        failure = {"cannot load " + path + ": " + windows::system_error_text(code, "kbpi32.dll"), "",
                   what_to_try(code, path)};
        return false;
    }
    std::string missing;
#define KBPTOOL_EXPORT(member, name) find(module, #name, library.member, missing);
    KBPTOOL_LIBRARY_CALLS(KBPTOOL_EXPORT)
#undef KBPTOOL_EXPORT
    if (!missing.empty()) {
        FreeLibrary(module);
        failure = {path + " has no export " + missing + ": it is not a kbpi32.dll of this system", "",
                   std::string("put the ") + kBits + " kbpi32.dll of this system beside kbptool.exe"};
        return false;
    }
    library.location = path;
    library.version = file_version(path);
    return true;
}

std::optional<Failure> missing_path(Path path, bool takes_port) {
    if (!kSixtyFourBit || path != Path::ports) return std::nullopt;
    return Failure{"", "a 64-bit program cannot reach the controller ports (a 64-bit process may not do port I/O)",
                   std::string("use USB (--usb, the default here), --interface class or portdriver") +
                       (takes_port ? " or --port COMn" : "")};
}

void step_done(double) {}

void explain(Path, const std::string&, const kbp_last_transfer&, Failure&) {}
}  // namespace host
}  // namespace kbptool
