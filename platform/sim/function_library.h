#pragma once
// The keyboard function library "KBPFUNC.DLL" on the simulated PC: the
// capture library built on the model of Windows, taking the keys every
// keyboard on the PC types, and misbehaving on request.
#include <cstdint>
#include <deque>
#include <map>

#include "platform/windows_model/capture_library.h"

namespace sim {

struct FunctionLibrary {
    // --- what a test sets: how the library misbehaves. Each applies to every
    // capture while `misbehaving_captures` is not 0 (negative: for ever); it
    // counts down at each arming.
    int misbehaving_captures = -1;
    std::deque<bool> script;  // while not empty, decides capture by capture instead
    int arm_result = 0;                    // returned by the arming; a non-zero low byte: not armed
    int count_error = 0;                   // the completion reports this many codes more
    std::map<int, std::uint8_t> replaced;  // code index -> the code captured instead
    std::uint32_t late_by_ms = 0;          // the completion comes this much later
    bool silent = false;                   // keys are taken, but no completion ever comes

    bool misbehaving = false;  // the capture under way misbehaves
};

FunctionLibrary& function_library();

// What kbpi32 called and what the library captured.
inline platform::windows_model::KeystrokeCapture& capture_library_calls() {
    return platform::windows_model::keystroke_capture();
}

// Puts "KBPFUNC.DLL" with its 47 names into the library table, fresh.
void install_function_library();

}  // namespace sim
