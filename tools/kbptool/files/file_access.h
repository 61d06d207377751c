#pragma once
// The tool's own file handling: every file it reads or writes is checked first,
// and a failure names the file and the system's reason.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kbptool {

using Bytes = std::vector<std::uint8_t>;

struct FileError {
    std::string file;
    std::string reason;  // the system's words, or what kind of file stands there
};

// "dir is a directory", "nodir: no such folder".
std::string describe(const FileError& error);

// The whole of a regular file, or its first `at_most` bytes (its size, asked
// first, in `size` where given: a huge file is never read whole); a directory
// or a device is refused.
bool read_regular_file(const std::string& path, Bytes& bytes, FileError& error, std::size_t at_most = SIZE_MAX,
                       std::uintmax_t* size = nullptr);

// Where an output named `path` lands (through its symbolic links): a regular
// file or none yet, in a folder that exists; refused before anything is written.
bool resolve_output(const std::string& path, std::string& target, FileError& error);
// The output may be replaced: not read-only, and `probe` (the tool's own, then
// removed) can be created beside it.
bool check_writable(const std::string& target, const std::string& probe, FileError& error);
// Puts `from` in the place of `to`, keeping the permissions `to` had; a new
// `to` gets those of any new file (0666 less the umask).
bool move_into_place(const std::string& from, const std::string& to, FileError& error);
// Writes through a temporary file beside `target`, moved into place.
bool write_file_atomically(const std::string& target, const Bytes& bytes, FileError& error);
// A name in the system's temporary folder no file has yet: stem-STAMP.kbp.
std::string temporary_image_path(const std::string& stem);
// Whether anything stands at `path` (a link that leads nowhere too).
bool exists_at(const std::string& path);
void remove_file(const std::string& path);
// What the system says to `bytes` written at `probe` (then removed): "No space
// left on device"; empty when they are written.
std::string why_cannot_write(const std::string& probe, std::size_t bytes);

}  // namespace kbptool
