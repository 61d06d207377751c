#pragma once
#include <string>

#include "hosts/kbp_library.h"

namespace kbptool {

// kbpi32.dll beside kbptool.exe. False, with the reason in words (what
// failed, the system's reason, what to try), when it cannot be loaded or
// lacks an export.
bool load_kbpi32_dll(KbpLibrary& library, std::string& error);

}  // namespace kbptool
