#pragma once
// The built-in capture library, what KBPFUNC.DLL is on Windows: while a read
// is armed it holds the keyboard's input device grabbed (so the typed digits
// do not reach the desktop) and takes the keys' make codes as they arrive.
// Linux key codes of the keys the keyboard types (0-9, A-F) are the numbers
// of scan code set 1. The finished capture is announced through the
// registered callback, from a message the waiting thread dispatches.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/abi.h"
#include "platform/linux/host_settings.h"

namespace platform::linux_backend {

struct EvdevCapture {
    using Callback = int(KBP_STDCALL*)(int count);
    Callback callback = nullptr;
    std::string device;  // the input device of the capture under way
    int fd = -1;
    int expected = 0;
    std::vector<std::uint8_t> captured;
    std::vector<std::uint8_t> partial_event;  // bytes of an event not read whole yet
    std::array<std::uint8_t, 1024> delivered{};  // what kbp_get_data_capture hands out
    std::uint64_t generation = 0;  // of the latest arming; older completions are void
    unsigned grabs = 0;     // EVIOCGRAB taken (or asked of a device that is no evdev node)
    unsigned releases = 0;  // and given back
    unsigned completions = 0;
};
EvdevCapture& evdev_capture();

// The library's routines by name: all of its 47 names.
const std::map<std::string, void*>& capture_library_symbols();
// Ends the capture under way, if any, and gives the grab back.
void release_capture_device();

}  // namespace platform::linux_backend
