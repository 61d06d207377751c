#include "files/file_access.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <system_error>

namespace kbptool {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxLinkDepth = 40;  // as the kernel follows at most

std::string errno_reason(int error) { return std::generic_category().message(error); }

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
        if (line.starts_with("Umask:")) {
            const unsigned mask = unsigned(std::strtoul(line.c_str() + 6, nullptr, 8));
            return fs::perms(0666 & ~mask);
        }
    return std::nullopt;
}

bool fail(FileError& error, const std::string& file, std::string reason) {
    error = {file, std::move(reason)};
    return false;
}

}  // namespace

std::string describe(const FileError& error) {
    return error.file + (error.reason.starts_with("is ") ? " " : ": ") + error.reason;
}

bool read_regular_file(const std::string& path, Bytes& bytes, FileError& error) {
    std::error_code code;
    const fs::file_status status = fs::status(path, code);
    if (code) return fail(error, path, code.message());
    if (status.type() != fs::file_type::regular) return fail(error, path, kind_of(status.type()));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return fail(error, path, errno_reason(errno));
    bytes.clear();
    std::uint8_t chunk[8192];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = std::ferror(file) != 0;
    const int read_error = errno;
    std::fclose(file);
    if (failed) return fail(error, path, errno_reason(read_error));
    return true;
}

bool resolve_output(const std::string& path, std::string& target, FileError& error) {
    if (path.empty()) return fail(error, path, "no file name");
    fs::path at = path;
    std::error_code code;
    for (int depth = 0;; ++depth) {
        const fs::file_status link = fs::symlink_status(at, code);
        if (code && link.type() != fs::file_type::not_found) return fail(error, at.string(), code.message());
        if (link.type() != fs::file_type::symlink) break;
        if (depth == kMaxLinkDepth) return fail(error, path, "too many levels of symbolic links");
        const fs::path next = fs::read_symlink(at, code);
        if (code) return fail(error, at.string(), code.message());
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    const fs::file_status status = fs::status(at, code);
    if (status.type() != fs::file_type::not_found && status.type() != fs::file_type::regular)
        return fail(error, at.string(), code ? code.message() : kind_of(status.type()));
    const fs::path folder = at.parent_path().empty() ? fs::path(".") : at.parent_path();
    const fs::file_status folder_status = fs::status(folder, code);
    if (folder_status.type() == fs::file_type::not_found) return fail(error, folder.string(), "no such folder");
    if (code) return fail(error, folder.string(), code.message());
    if (folder_status.type() != fs::file_type::directory) return fail(error, folder.string(), "is not a folder");
    target = at.string();
    return true;
}

std::string temporary_image_path(const std::string& stem) {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::error_code code;
    return (fs::temp_directory_path(code) / (stem + "-" + std::to_string(stamp) + ".kbp")).string();
}

bool is_read_only(const std::string& path) {
    std::error_code code;
    const fs::file_status status = fs::status(path, code);
    if (code || status.type() != fs::file_type::regular) return false;
    constexpr fs::perms kWrite = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    return (status.permissions() & kWrite) == fs::perms::none;
}

bool exists_at(const std::string& path) {
    std::error_code code;
    return fs::symlink_status(path, code).type() != fs::file_type::not_found && !code;
}

bool check_writable(const std::string& target, const std::string& probe, FileError& error) {
    if (is_read_only(target)) return fail(error, target, "is read-only");
    std::FILE* file = std::fopen(probe.c_str(), "wb");
    if (file == nullptr) return fail(error, probe, errno_reason(errno));
    std::fclose(file);
    std::remove(probe.c_str());
    return true;
}

bool move_into_place(const std::string& from, const std::string& to, FileError& error) {
    std::error_code code;
    const fs::file_status old = fs::status(to, code);
    const bool replacing = !code && old.type() == fs::file_type::regular;
    fs::rename(from, to, code);
    if (code && replacing) {  // where a rename does not replace an existing file
        fs::remove(to, code);
        fs::rename(from, to, code);
    }
    if (code) return fail(error, to, code.message());
    if (replacing) {
        fs::permissions(to, old.permissions(), code);
    } else if (const std::optional<fs::perms> rights = new_file_permissions()) {
        fs::permissions(to, *rights, code);  // as any output, whatever made `from`
    }
    return true;
}

bool write_file_atomically(const std::string& target, const Bytes& bytes, FileError& error) {
    const std::string temporary = target + ".tmp";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return fail(error, temporary, errno_reason(errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int write_error = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::remove(temporary.c_str());
        return fail(error, temporary, errno_reason(written ? errno : write_error));
    }
    if (!move_into_place(temporary, target, error)) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace kbptool
