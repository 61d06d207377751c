#pragma once
// A stand-in for the keyboard function library "KBPFUNC.DLL" on the simulated
// PC. It captures the keys a keyboard types in answer to a read request and
// announces a finished capture the way the real library does: through the
// registered callback, on the thread that armed it, from a message that
// thread's wait dispatches.
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "platform/abi.h"

namespace sim {

struct CaptureArm {
    int keystrokes;
    int mode;
    int limit;
    bool operator==(const CaptureArm&) const = default;
};

struct FunctionLibrary {
    using Callback = int(KBP_STDCALL*)(int count);

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

    // --- what a test inspects
    unsigned opens = 0;
    unsigned closes = 0;
    std::vector<int> languages;
    std::vector<Callback> callbacks_registered;
    std::vector<CaptureArm> arms;
    unsigned completions = 0;  // callbacks made
    unsigned data_reads = 0;   // kbp_get_data_capture
    std::vector<std::uint8_t> captured;

    // --- the library's own state
    Callback callback = nullptr;
    bool armed = false;
    int expected = 0;
    std::uint64_t generation = 0;  // of the latest arming; older completions are void
    std::vector<std::uint8_t> delivered;  // what kbp_get_data_capture hands out

    bool misbehaving = false;  // the capture under way misbehaves
};

FunctionLibrary& function_library();

// Puts "KBPFUNC.DLL" with its 47 names into the library table, fresh.
void install_function_library();

}  // namespace sim
