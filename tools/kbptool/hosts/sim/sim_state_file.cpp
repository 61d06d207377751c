#include "hosts/sim/sim_state_file.h"

#include <filesystem>
#include <system_error>

#include "files/file_access.h"

namespace kbptool {

namespace {
constexpr const char* kStartAnew = "remove it to start with a new keyboard, or name another with --sim-state";
}

bool load_keyboard_memory(const std::string& path, KeyboardMemory& memory, std::string& error) {
    std::error_code code;
    if (std::filesystem::symlink_status(path, code).type() == std::filesystem::file_type::not_found) return true;
    Bytes bytes;
    FileError failure;
    if (!read_regular_file(path, bytes, failure)) {
        // Removing a device or a folder would start no new keyboard.
        const bool no_file = std::filesystem::exists(path, code) && !std::filesystem::is_regular_file(path, code);
        error = "the simulated keyboard's state " +
                (no_file ? describe(failure) + "; name another, a regular file, with --sim-state"
                         : path + " cannot be read: " + failure.reason + "; " + kStartAnew);
        return false;
    }
    if (bytes.size() != memory.size()) {
        error = "the simulated keyboard's state " + path + " is not a " + std::to_string(memory.size()) + "-byte memory (it has " +
                std::to_string(bytes.size()) + " bytes); " + kStartAnew;
        return false;
    }
    std::copy(bytes.begin(), bytes.end(), memory.begin());
    return true;
}

bool save_keyboard_memory(const std::string& path, const KeyboardMemory& memory, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    std::string target;
    FileError failure;
    if (!resolve_output(path, target, failure) || !check_writable(target, target + ".tmp", failure) ||
        !write_file_atomically(target, Bytes(memory.begin(), memory.end()), failure)) {
        error = "the simulated keyboard's state " + path + " is not replaced: " + describe(failure);
        return false;
    }
    return true;
}

}  // namespace kbptool
