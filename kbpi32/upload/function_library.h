#pragma once
// The keyboard function library "KBPFUNC.DLL", which captures the keystrokes
// the keyboard types in answer to a read request. Loaded at the first binding
// and never freed; every use is wrapped in bind ... release.
#include <array>
#include <cstdint>

#include "platform/abi.h"
#include "platform/capture_library.h"
#include "platform/platform.h"

namespace kbp {

// The completion callback the library calls with the number of codes captured.
using CaptureCallback = int(KBP_STDCALL*)(int count);

namespace kbpfunc {
using Open = int(KBP_STDCALL*)();
using Close = int(KBP_STDCALL*)();
using SetLanguage = int(KBP_STDCALL*)(int language);
using CallbackDataCapture = int(KBP_STDCALL*)(CaptureCallback callback);
using GetDataCapture = const std::uint8_t*(KBP_STDCALL*)();
using CaptureData = int(KBP_STDCALL*)(int keystrokes, int mode, int limit);

constexpr int kNameCount = platform::kCaptureLibraryNameCount;
}  // namespace kbpfunc

struct FunctionLibraryState {
    platform::Module library = nullptr;  // set at the first load that succeeded
    // Null where a name was not found (or not looked up yet); never called then.
    std::array<void*, kbpfunc::kNameCount> slots{};
    bool resolved = false;  // every name was found, or skipped by the user
    bool set_up = false;    // kbp_open, kbp_set_language(1) and the callback were called
    bool operator==(const FunctionLibraryState&) const = default;
};
extern FunctionLibraryState function_library_state;

// 0 bound, 1 failed (a message box told the user why).
std::uint8_t bind_function_library();
// kbp_close, and the library's timer killed. Also after a failed binding.
void release_function_library();

// The slots the library calls, typed; null when the name was not found.
kbpfunc::CaptureData capture_data_routine();
kbpfunc::GetDataCapture get_data_capture_routine();

}  // namespace kbp
