#pragma once
// The libraries load_library finds on Linux: KBPUSB.DLL and KBPFUNC.DLL, built in.
#include "platform/windows_model/libraries.h"

namespace platform::linux_backend {

// A table with both, as the process starts with it.
windows_model::LibraryTable built_in_libraries();
windows_model::LibraryTable& libraries();

}  // namespace platform::linux_backend
