#pragma once
// kbpi32.dll opens its files by ANSI names, which cannot spell every name a
// person types. It is always given a temporary file of the tool's instead, in
// a folder the code page can spell: one way for every name, and the library's
// texts then never quote a name in the code page.
#include <string>

#include "hosts/keyboard_host.h"

namespace kbptool {

// A temporary file for `file` (a copy of it when the library reads it); its
// ANSI name in `name`. False with the reason in a sentence.
bool library_temporary_name(const std::string& file, LibraryUse use, std::string& name, std::string& error);
// The temporary file moved to `file` when `keep`, else removed.
bool finish_library_temporary(const std::string& name, const std::string& file, bool keep, std::string& error);

}  // namespace kbptool
