#pragma once
// Libraries that LoadLibraryA finds by bare name, for a backend without
// Windows: each a table of the routines it exports, found without regard to
// case, with module handles that stay valid for the life of the process as
// on Windows.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/loading.h"

namespace platform::windows_model {

using Symbols = std::map<std::string, void*>;

struct Library {
    std::string name;  // matched without regard to case
    Symbols symbols;
};

struct LibraryTable {
    std::vector<Library> installed;
    std::map<std::string, unsigned> load_attempts;  // by upper-case name
    unsigned loads = 0;                              // successful loads

    void install(std::string name, Symbols symbols);
    void remove(const std::string& name);
    unsigned attempts(const std::string& name) const;

    // LoadLibraryA counts an attempt before it can fail.
    void note_attempt(const char* name);
    // The module of the installed library of this name; null when none is.
    Module load(const char* name);
    // GetProcAddress: null when the library does not export `name`.
    void* find(Module module, const char* name) const;
};

// "KBPUSB.DLL": its send and close routines.
Symbols usb_library_symbols(void* send, void* close);

}  // namespace platform::windows_model
