#include "commands/library_file.h"

#include <utility>

namespace kbptool {

LibraryFile::LibraryFile(KeyboardHost& host, std::string file, LibraryUse use) : host_(host), file_(std::move(file)) {
    if (host_.library_file_name(file_, use, name_, error_)) return;
    finished_ = true;  // nothing made to finish
    if (error_.empty()) error_ = "the library cannot be given " + file_;
}

LibraryFile::~LibraryFile() { finish(false); }

bool LibraryFile::keep() { return finish(true); }

bool LibraryFile::finish(bool keep) {
    if (finished_) return error_.empty();
    finished_ = true;
    if (host_.finish_library_file(name_, file_, keep, error_)) return true;
    if (error_.empty()) error_ = "the library's file cannot be put in place of " + file_;
    return false;
}

}  // namespace kbptool
