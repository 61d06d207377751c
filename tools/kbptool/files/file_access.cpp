#include "files/file_access.h"

#include <algorithm>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

namespace kbptool {
namespace fs = std::filesystem;

namespace {
constexpr int kMaxLinkDepth = 40;  // as the kernel follows at most

std::string errno_reason(int error) {
    return error != 0 ? std::generic_category().message(error) : "the system gives no reason";
}

// What stands at a path, in a technician's words, when it is no regular file.
std::string kind_of(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory: return "is a directory";
    case fs::file_type::block:
    case fs::file_type::character: return "is a device, not a file";
    case fs::file_type::fifo: return "is a pipe, not a file";
    case fs::file_type::socket: return "is a socket, not a file";
    default: return "is not a regular file";
    }
}

// The rights a program's new file gets (0666 less the umask), where the
// system tells the umask without changing it; none elsewhere.
std::optional<fs::perms> new_file_permissions() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("Umask:")) return fs::perms(0666 & ~unsigned(std::strtoul(line.c_str() + 6, nullptr, 8)));
    return std::nullopt;
}

bool fail(FileError& error, const std::string& file, std::string reason) {
    error = {file, std::move(reason)};
    return false;
}

// The tool holds file names as the person wrote them: UTF-8 (on Windows the
// command line's characters), any bytes on Linux. The path the system opens by
// that name (on Windows through its wide-character calls), and back.
fs::path file_path(std::string_view name) {
    try {
        return fs::path(std::u8string_view(reinterpret_cast<const char8_t*>(name.data()), name.size()));
    } catch (const fs::filesystem_error&) {  // not UTF-8 where the system wants characters
        return fs::path(std::string(name));
    }
}

std::string file_name(const fs::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}
}  // namespace

std::string describe(const FileError& error) {
    return error.file + (error.reason.starts_with("is ") ? " " : ": ") + error.reason;
}

bool read_regular_file(const std::string& path, Bytes& bytes, FileError& error, std::size_t at_most,
                       std::uintmax_t* size) {
    const fs::path at = file_path(path);
    std::error_code code;
    const fs::file_status status = fs::status(at, code);
    if (code) return fail(error, path, code.message());
    if (status.type() != fs::file_type::regular) return fail(error, path, kind_of(status.type()));
    const std::uintmax_t file_size = fs::file_size(at, code);
    if (code) return fail(error, path, code.message());
    if (size != nullptr) *size = file_size;
    errno = 0;
    std::ifstream file(at, std::ios::binary);
    if (!file) return fail(error, path, errno_reason(errno));
    bytes.resize(std::size_t(std::min<std::uintmax_t>(file_size, at_most)));
    file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(file.gcount()));
    // A file that grew while it was read is read to the end, up to the limit.
    for (char c; bytes.size() < at_most && file.get(c);) bytes.push_back(std::uint8_t(c));
    return !file.bad() || fail(error, path, errno_reason(errno));
}

bool resolve_output(const std::string& path, std::string& target, FileError& error) {
    if (path.empty()) return fail(error, path, "no file name");
    fs::path at = file_path(path);
    std::error_code code;
    for (int depth = 0;; ++depth) {
        const fs::file_status link = fs::symlink_status(at, code);
        if (code && link.type() != fs::file_type::not_found) return fail(error, file_name(at), code.message());
        if (link.type() != fs::file_type::symlink) break;
        if (depth == kMaxLinkDepth) return fail(error, path, "too many levels of symbolic links");
        const fs::path next = fs::read_symlink(at, code);
        if (code) return fail(error, file_name(at), code.message());
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    const fs::file_status status = fs::status(at, code);
    if (status.type() != fs::file_type::not_found && status.type() != fs::file_type::regular)
        return fail(error, file_name(at), code ? code.message() : kind_of(status.type()));
    const fs::path folder = at.parent_path().empty() ? fs::path(".") : at.parent_path();
    const fs::file_status folder_status = fs::status(folder, code);
    if (folder_status.type() == fs::file_type::not_found) return fail(error, file_name(folder), "no such folder");
    if (code) return fail(error, file_name(folder), code.message());
    if (folder_status.type() != fs::file_type::directory) return fail(error, file_name(folder), "is not a folder");
    target = file_name(at);
    return true;
}

std::string temporary_image_path(const std::string& stem) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::error_code code;
    return file_name(fs::temp_directory_path(code) / file_path(stem + "-" + std::to_string(stamp) + ".kbp"));
}

bool exists_at(const std::string& path) {
    std::error_code code;
    return fs::symlink_status(file_path(path), code).type() != fs::file_type::not_found && !code;
}

bool check_writable(const std::string& target, const std::string& probe, FileError& error) {
    std::error_code code;
    const fs::file_status status = fs::status(file_path(target), code);
    constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    if (!code && status.type() == fs::file_type::regular && (status.permissions() & kWrite) == fs::perms::none)
        return fail(error, target, "is read-only");
    errno = 0;
    std::ofstream file(file_path(probe), std::ios::binary);
    if (!file) return fail(error, probe, errno_reason(errno));
    file.close();
    remove_file(probe);
    return true;
}

void remove_file(const std::string& path) {
    std::error_code ignored;
    fs::remove(file_path(path), ignored);
}

bool move_into_place(const std::string& from, const std::string& to, FileError& error) {
    std::error_code code;
    const fs::path source = file_path(from), destination = file_path(to);
    const fs::file_status old = fs::status(destination, code);
    const bool replacing = !code && old.type() == fs::file_type::regular;
    fs::rename(source, destination, code);
    if (code && replacing) {  // where a rename does not replace an existing file
        fs::remove(destination, code);
        fs::rename(source, destination, code);
    }
    if (code) return fail(error, to, code.message());
    if (replacing) fs::permissions(destination, old.permissions(), code);
    else if (const std::optional<fs::perms> rights = new_file_permissions())
        fs::permissions(destination, *rights, code);  // as any output, whatever made `from`
    return true;
}

bool write_file_atomically(const std::string& target, const Bytes& bytes, FileError& error) {
    const std::string temporary = target + ".tmp";
    errno = 0;
    std::ofstream file(file_path(temporary), std::ios::binary);
    if (!file) return fail(error, temporary, errno_reason(errno));
    const bool written = bool(file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())));
    const int write_error = errno;
    file.close();
    const bool closed = !file.fail();
    if (!written || !closed) {
        remove_file(temporary);
        return fail(error, temporary, errno_reason(written ? errno : write_error));
    }
    if (!move_into_place(temporary, target, error)) {
        remove_file(temporary);
        return false;
    }
    return true;
}

std::string why_cannot_write(const std::string& probe, std::size_t bytes) {
    errno = 0;
    std::ofstream file(file_path(probe), std::ios::binary);
    const std::string filler(bytes, '\0');
    const bool written = file && file.write(filler.data(), std::streamsize(filler.size())) && file.flush();
    const std::string reason = written ? "" : errno_reason(errno);
    file.close();
    remove_file(probe);
    return reason;
}
}  // namespace kbptool
