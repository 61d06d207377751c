// Run-time loading: LoadLibraryA, GetProcAddress.
#include <windows.h>

#include "platform/loading.h"

namespace platform {

Module load_library(const char* name) { return LoadLibraryA(name); }

void* find_symbol(Module module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

}  // namespace platform
