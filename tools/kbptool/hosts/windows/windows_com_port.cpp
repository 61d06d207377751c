#include "hosts/windows/windows_com_port.h"

#include <windows.h>

#include "hosts/port_texts.h"
#include "hosts/windows/windows_system_text.h"

namespace kbptool {

namespace {

// COM1..COM9: the only names the library opens.
bool one_digit_com_port(const std::string& name) {
    return name.size() == 4 && name.starts_with("COM") && name[3] >= '1' && name[3] <= '9';
}

// 0 when the port opens (and is closed again), else Windows' error.
DWORD open_error(const std::string& name) {
    const std::string device = "\\\\.\\" + name;
    const HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return GetLastError();
    CloseHandle(port);
    return 0;
}

}  // namespace

void explain_com_port_failure(const PortText& port, const std::string& status, FailureWords& words) {
    const std::string name = port.text.substr(0, port.text.find(':'));
    if (!says_unable_to_open(status) || !one_digit_com_port(name)) return;
    const DWORD error = open_error(name);
    if (error == 0) return;
    const std::string windows_says = "Windows says: " + system_error_text(error, name);
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        words.reason = name + " does not exist on this PC (" + windows_says + ")";
        words.hint = "name a COM port that `kbptool detect` lists; the Device Manager shows the keyboard's port "
                     "under Ports (COM & LPT)";
        return;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        words.reason = name + " is in use by another program (" + windows_says + ")";
        words.hint = "close the program that holds " + name + " (a terminal program, another kbptool), then try again";
        return;
    default:
        words.reason = name + " cannot be opened (" + windows_says + ")";
    }
}

}  // namespace kbptool
