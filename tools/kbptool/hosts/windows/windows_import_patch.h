#pragma once
// Where a loaded DLL calls a function of another DLL, it can be made to call
// one of this program instead.
#include <windows.h>

namespace kbptool {

// Points every import slot of `module` that holds `function` at
// `replacement`; false when the module imports it nowhere.
bool replace_import(HMODULE module, FARPROC function, FARPROC replacement);

}  // namespace kbptool
