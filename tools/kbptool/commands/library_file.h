#pragma once
// A file of the person's as the library is given it, by name. The host may
// hand the library a name of its own for it (kbpi32.dll opens only names its
// ANSI code page can spell); that name is finished when this ends.
#include <string>

#include "hosts/keyboard_host.h"

namespace kbptool {

class LibraryFile {
public:
    LibraryFile(KeyboardHost& host, std::string file, LibraryUse use);
    ~LibraryFile();  // the host's name removed, whatever happened
    LibraryFile(const LibraryFile&) = delete;
    LibraryFile& operator=(const LibraryFile&) = delete;

    // Empty while all is well; else what failed, in a sentence.
    const std::string& error() const { return error_; }
    // The name to give the library.
    const char* name() const { return name_.c_str(); }
    // What the library wrote, put under the file's own name; false with the
    // reason in error().
    bool keep();

private:
    bool finish(bool keep);

    KeyboardHost& host_;
    std::string file_;
    std::string name_;
    std::string error_;
    bool finished_ = false;
};

}  // namespace kbptool
