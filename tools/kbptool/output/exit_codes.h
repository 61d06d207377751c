#pragma once
// The exit codes of kbptool, one per outcome a script may want to tell apart.
// Commands say how they ended (an Ending, and the library's result where it
// decides); exit_code_of turns that into the code, in this one place.
#include <optional>

namespace kbptool {

enum class Ending {
    success,
    failed,            // info: not a valid image; send: a byte not sent; interface refused
    usage,             // the command line is wrong
    no_library,        // kbpi32 or the simulated keyboard's state cannot be used
    file_error,        // a file of the tool's own cannot be read, written or is refused
    download,          // as kbp_download's result: success, or -1..-7
    upload,            // as kbp_upload's result: success, 0 or -1
    not_an_image,      // the tool's own check, as kbp_download's -6
    image_unreadable,  // the tool's own check, as kbp_download's -7
    port_unusable,     // the tool's own check of a COM port, as kbp_download's -2
    differs,           // the keyboard holds other bytes than the image
    read_back_failed,  // download: sent, but the keyboard's memory could not be read back
    cannot_read_back,  // verify: the image ends past what an upload can read
    interrupted,       // Ctrl-C
};

namespace exit_code {
constexpr int kSuccess = 0;
constexpr int kUsage = 2;
constexpr int kNoLibrary = 3;
constexpr int kInterrupted = 130;
}  // namespace exit_code

// The exit code of an ending, with the library's result where the ending
// follows it (download, upload).
int exit_code_of(Ending ending, std::optional<long> result = std::nullopt);

}  // namespace kbptool
