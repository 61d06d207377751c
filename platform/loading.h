#pragma once
// The platform contract: run-time loading (LoadLibraryA, GetProcAddress).
#include <cstdint>

namespace platform {

// A loaded library (HMODULE). LoadLibraryA's null on failure; callers treat a
// value of 32 or less as "not loaded".
using Module = void*;

// The system's usual search for a library by bare name; null when it fails.
Module load_library(const char* name);
// Null when the library does not export `name`.
void* find_symbol(Module module, const char* name);

}  // namespace platform
