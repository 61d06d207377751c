// Several keyboards on one PC: choosing the one kbpusb.dll opens, a worker
// process per keyboard on a pipe, and the record of transfers under a lock.
#include <windows.h>

#include <algorithm>

#include "hosts/windows/windows.h"
#include "include/kbp_protocol.h"
#include "include/kbpusb.h"

namespace kbptool::host {
using windows::system_error_text;
using windows::utf8_of;
using windows::wide_of;

namespace {
// A command-line word as CreateProcess's parser gives it back.
std::wstring quoted(const std::wstring& word) {
    if (!word.empty() && word.find_first_of(L" \t\"") == std::wstring::npos) return word;
    std::wstring out = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

class ProcessWorker final : public Worker {
public:
    ProcessWorker(HANDLE process, HANDLE output) : process_(process), output_(output) {}
    ~ProcessWorker() override {
        CloseHandle(output_);
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
    long read(char* buffer, long size) override {
        DWORD waiting = 0;
        if (!PeekNamedPipe(output_, nullptr, 0, nullptr, &waiting, nullptr)) return -1;  // ended
        if (waiting == 0) return 0;
        DWORD done = 0;
        return ReadFile(output_, buffer, std::min(DWORD(size), waiting), &done, nullptr) ? long(done) : -1;
    }
    std::optional<int> wait(std::string& death) override {
        WaitForSingleObject(process_, INFINITE);
        DWORD code = 0;
        if (GetExitCodeProcess(process_, &code) && code < 256) return int(code);
        death = "ended with the status " + std::to_string(code);
        return std::nullopt;
    }
    // A console's Ctrl-C reaches every process on it; a worker asked alone is ended.
    void interrupt() override { TerminateProcess(process_, DWORD(ExitCode::interrupted)); }

private:
    HANDLE process_;
    HANDLE output_;
};

HANDLE open_log(const std::string& path) {
    return CreateFileW(wide_of(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// "\\.\COM5" and "COM5" name one port.
std::string without_device_prefix(const std::string& name) {
    return name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
}
}  // namespace

bool choose_usb_device(const std::string& path, std::string& error) {
    // The library kbpi32.dll loads by the same bare name is this one.
    const HMODULE usb = LoadLibraryA(KBP_USB_LIBRARY_NAME);
    using Choose = decltype(&SetDevice_USB);
    const auto choose = usb ? reinterpret_cast<Choose>(reinterpret_cast<void*>(GetProcAddress(usb, KBP_USB_CHOOSE_ROUTINE)))
                            : nullptr;
    if (choose == nullptr) {
        error = usb == nullptr ? "cannot load " KBP_USB_LIBRARY_NAME ": " + system_error_text(GetLastError())
                               : KBP_USB_LIBRARY_NAME " has no " KBP_USB_CHOOSE_ROUTINE
                                                      ": it cannot choose among several keyboards (install the one "
                                                      "that comes with this kbptool)";
        return false;
    }
    if (choose(path.c_str()) == 0) return true;
    error = KBP_USB_LIBRARY_NAME " cannot take the device path " + path;
    return false;
}

bool same_device(const std::string& a, const std::string& b) {
    return lstrcmpiW(wide_of(without_device_prefix(a)).c_str(), wide_of(without_device_prefix(b)).c_str()) == 0;
}

std::string machine_name() {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? utf8_of({name, size}) : "";
}

bool check_log(const std::string& path, std::string& error) {
    const HANDLE log = open_log(path);
    if (log == INVALID_HANDLE_VALUE) {
        error = path + ": " + system_error_text(GetLastError(), path);
        return false;
    }
    CloseHandle(log);
    return true;
}

bool append_log(const std::string& path, const std::string& line, std::string& error) {
    const HANDLE log = open_log(path);
    if (log == INVALID_HANDLE_VALUE) {
        error = path + ": " + system_error_text(GetLastError(), path);
        return false;
    }
    OVERLAPPED whole{};
    const bool locked = LockFileEx(log, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole) != FALSE;
    DWORD written = 0;
    const bool ok = WriteFile(log, line.data(), DWORD(line.size()), &written, nullptr) && written == line.size() &&
                    FlushFileBuffers(log);
    const DWORD code = GetLastError();
    if (locked) UnlockFileEx(log, 0, MAXDWORD, MAXDWORD, &whole);
    CloseHandle(log);
    if (!ok) error = path + ": " + system_error_text(code, path);
    return ok;
}

std::unique_ptr<Worker> start_worker(const std::vector<std::string>& arguments, std::string& error) {
    wchar_t self[32768];
    const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
    if (length == 0 || length >= 32768) {
        error = "cannot find this program: " + system_error_text(GetLastError());
        return nullptr;
    }
    std::wstring command = quoted(self);
    for (const std::string& a : arguments) command += L" " + quoted(wide_of(a));
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!CreatePipe(&read_end, &write_end, &inherited, 0)) {
        error = "cannot make a pipe: " + system_error_text(GetLastError());
        return nullptr;
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    const HANDLE nothing = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                       OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(self, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                        &process) != FALSE;
    const DWORD code = GetLastError();
    CloseHandle(write_end);
    if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
    if (!started) {
        CloseHandle(read_end);
        error = "cannot start a worker: " + system_error_text(code);
        return nullptr;
    }
    CloseHandle(process.hThread);
    return std::make_unique<ProcessWorker>(process.hProcess, read_end);
}
}  // namespace kbptool::host
