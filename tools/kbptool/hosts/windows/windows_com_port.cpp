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

struct PortError {
    DWORD code = 0;       // 0: the port opens and its line state can be read
    bool opened = false;  // the error came from reading the line state
};

// The port opened by the tool itself (and closed again), as the library opens it.
PortError port_error(const std::string& name) {
    const std::string device = "\\\\.\\" + name;
    const HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return {GetLastError(), false};
    DCB line{};
    line.DCBlength = sizeof line;
    const PortError error{GetCommState(port, &line) ? 0 : GetLastError(), true};
    CloseHandle(port);
    return error;
}

// Windows' reason why `name` cannot be used now, into `words`; false when it
// opens and its line state can be read.
bool words_for_port(const std::string& name, FailureWords& words) {
    const PortError error = port_error(name);
    if (error.code == 0) return false;
    const std::string windows_says = "Windows says: " + system_error_text(error.code, name);
    if (error.opened) {
        words.reason = name + " opens, but it is no serial line Windows can set up (" + windows_says + ")";
        words.hint = "name the COM port the keyboard's cable is on (`kbptool detect` lists the ports); the Device "
                     "Manager shows them under Ports (COM & LPT)";
        return true;
    }
    switch (error.code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        words.reason = name + " does not exist on this PC (" + windows_says + ")";
        words.hint = "name a COM port that `kbptool detect` lists; the Device Manager shows the keyboard's port "
                     "under Ports (COM & LPT)";
        return true;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        words.reason = name + " is in use by another program (" + windows_says + ")";
        words.hint = "close the program that holds " + name + " (a terminal program, another kbptool), then try again";
        return true;
    default:
        words.reason = name + " cannot be opened (" + windows_says + ")";
        return true;
    }
}

}  // namespace

void explain_com_port_failure(const PortText& port, const std::string& status, FailureWords& words) {
    const std::string name = port.text.substr(0, port.text.find(':'));
    if (!(says_unable_to_open(status) || says_unable_to_config(status)) || !one_digit_com_port(name)) return;
    words_for_port(name, words);
}

std::optional<FailureWords> refuse_com_port(const PortText& port) {
    const std::string name = port.text.substr(0, port.text.find(':'));
    FailureWords words;
    if (!one_digit_com_port(name) || !words_for_port(name, words)) return std::nullopt;
    words.text = name + " cannot be used: nothing was written to the keyboard";
    return words;
}

}  // namespace kbptool
