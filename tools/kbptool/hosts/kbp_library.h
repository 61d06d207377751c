#pragma once
// The exports of kbpi32 the tool calls, found at run time.
#include <string>

#include "include/kbpi32.h"

namespace kbptool {

struct KbpLibrary {
    int(KBPI32_CALL* download)(const char*, char*, kbp_progress_callback) = nullptr;
    int(KBPI32_CALL* upload)(const char*, char*, kbp_progress_callback) = nullptr;
    unsigned char(KBPI32_CALL* set_interface)(int) = nullptr;
    unsigned char(KBPI32_CALL* get_interface)() = nullptr;
    unsigned char(KBPI32_CALL* send_byte)(int) = nullptr;
    std::string location;  // the DLL's path, or "linked in"
    std::string version;   // the DLL's file version; empty when it has none
};

// The library's core linked into this program (Linux, the simulated PC).
KbpLibrary linked_library();

}  // namespace kbptool
