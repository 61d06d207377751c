#pragma once
// Where the built-in capture library (what KBPFUNC.DLL is on Windows) takes
// its keys on Linux: while a read is armed it holds the keyboard's input
// device grabbed (so the typed digits do not reach the desktop) and hands
// the keys' make codes to the capture as they arrive. Linux key codes of the
// keys the keyboard types (0-9, A-F) are the numbers of scan code set 1.
#include <cstdint>
#include <string>
#include <vector>

namespace platform::linux_backend {

struct EvdevCapture {
    std::string device;  // the input device of the capture under way
    int fd = -1;
    std::vector<std::uint8_t> partial_event;  // bytes of an event not read whole yet
    unsigned grabs = 0;     // EVIOCGRAB taken (or asked of a device that is no evdev node)
    unsigned releases = 0;  // and given back
};
EvdevCapture& evdev_capture();

// Ends the capture under way, if any, and gives the grab back.
void release_capture_device();

}  // namespace platform::linux_backend
