#include "hosts/linux/linux_serial_words.h"

#include <cerrno>
#include <cstring>

#include "hosts/port_texts.h"
#include "include/kbpi32_linux.h"

namespace kbptool {

namespace {

constexpr char kNameASerialDevice[] = "name a serial device: /dev/ttyS1, /dev/ttyUSB0 or /dev/ttyACM0";

// Why the device did not open, and what to do, for the errno the backend noted.
void words_for_error(int error, const std::string& device, FailureWords& words) {
    const std::string subject = device + ": ";
    switch (error) {
    case ENOENT:
        words.reason = subject + "no such device";
        words.hint = "name a serial device that exists (`kbptool detect` lists them); a USB serial adapter appears "
                     "when it is plugged in";
        return;
    case EACCES:
    case EPERM:
        words.reason = subject + "permission denied (add the user to the `dialout` group)";
        words.hint = "sudo usermod -aG dialout $USER, then log in again";
        return;
    case EBUSY:
        words.reason = subject + "in use by another program";
        words.hint = "close the program that holds it (a terminal program, another kbptool); `fuser " + device +
                     "` names it";
        return;
    case ENOTTY:
        words.reason = subject + "not a terminal (not a serial device)";
        words.hint = kNameASerialDevice;
        return;
    case EIO:
        words.reason = subject + "the device hung up (unplugged, or its other end closed)";
        words.hint = "plug the serial cable in again and check the keyboard's power, then try again";
        return;
    default:
        words.reason = subject + std::strerror(error);
        words.hint = kNameASerialDevice;
    }
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); !from.empty() && at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

}  // namespace

void explain_serial_failure(const PortText& port, const std::string& status, FailureWords& words) {
    if (port.device.empty()) return;
    // The COM number is the tool's own mapping: the person named the device.
    const std::string com = port.text.substr(0, port.text.find(':'));
    replace_all(words.text, com, port.device);
    replace_all(words.reason, com, port.device);
    replace_all(words.hint, com, port.device);
    for (std::string& line : words.lines) replace_all(line, com, port.device);
    const int error = kbp_linux_last_device_error();
    if (!says_unable_to_open(status) || error == 0) return;
    words.text = "cannot open " + port.device;
    words_for_error(error, port.device, words);
}

}  // namespace kbptool
