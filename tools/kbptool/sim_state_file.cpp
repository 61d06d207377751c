#include "sim_state_file.h"

#include <filesystem>
#include <system_error>

#include "image.h"

namespace kbptool {

bool load_keyboard_memory(const std::string& path, KeyboardMemory& memory, std::string& error) {
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) return true;
    const std::optional<Bytes> bytes = read_file(path);
    if (!bytes || bytes->size() != memory.size()) {
        error = "the simulated keyboard's state " + path + " is not a 65536-byte memory; remove it to start anew";
        return false;
    }
    std::copy(bytes->begin(), bytes->end(), memory.begin());
    return true;
}

bool save_keyboard_memory(const std::string& path, const KeyboardMemory& memory, std::string& error) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
    if (!write_file_atomically(path, Bytes(memory.begin(), memory.end()))) {
        error = "cannot write the simulated keyboard's state " + path;
        return false;
    }
    return true;
}

}  // namespace kbptool
