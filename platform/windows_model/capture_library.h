#pragma once
// The keystroke-capture library KBPFUNC.DLL as a backend without Windows
// builds it in: its 47 names, how a capture is armed, how its keys are
// counted, and how its completion is announced the way the real library
// does: through the registered callback, on the thread that armed it, from a
// message to the library's own window that the thread's wait dispatches.
// Where the keys come from is the backend's (backend.h).
#include <cstdint>
#include <vector>

#include "platform/abi.h"
#include "platform/windows_model/libraries.h"

namespace platform::windows_model {

struct CaptureArm {
    int keystrokes;
    int mode;
    int limit;
    bool operator==(const CaptureArm&) const = default;
};

struct KeystrokeCapture {
    using Callback = int(KBP_STDCALL*)(int count);

    // --- the calls kbpi32 made
    unsigned opens = 0;
    unsigned closes = 0;
    std::vector<int> languages;
    std::vector<Callback> callbacks_registered;
    std::vector<CaptureArm> arms;
    unsigned data_reads = 0;   // kbp_get_data_capture
    unsigned completions = 0;  // callbacks made

    // --- the capture
    Callback callback = nullptr;
    bool armed = false;
    int expected = 0;
    std::uint64_t generation = 0;  // of the latest arming; older completions are void
    std::vector<std::uint8_t> captured;
    std::vector<std::uint8_t> delivered;  // what kbp_get_data_capture hands out
};
KeystrokeCapture& keystroke_capture();

// Codes handed out hold this many zeros past the captured ones, so a count
// that claims more than came in reads zeros.
inline constexpr std::size_t kRoomPastCodes = 64;

// One key's make code arrives; the armed capture counts it. True when it
// completed the capture.
bool take_captured_key(std::uint8_t make_code);

// How the completion of a capture is announced.
struct Completion {
    int reported;                // the count the callback is given
    std::uint32_t delay_ms = 0;  // its message arrives this much later
    bool announced = true;       // false: no message ever comes
};

// The message that announces a finished capture: a WM_APP message to the
// library's own window.
inline constexpr std::uint32_t kCaptureComplete = 0x8000 + 0x4B;

// The library's routines by name: all of its 47 names.
Symbols capture_library_symbols();

}  // namespace platform::windows_model
