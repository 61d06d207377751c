#pragma once
// The simulated keyboard's memory, kept in a file between runs.
#include <array>
#include <cstdint>
#include <string>

#include "include/kbp_protocol.h"

namespace kbptool {

using KeyboardMemory = std::array<std::uint8_t, KBP_KEYBOARD_MEMORY_SIZE>;

// Fills `memory` from the file; a missing file leaves it as is (a new
// keyboard). False with the reason when the file is there but unusable.
bool load_keyboard_memory(const std::string& path, KeyboardMemory& memory, std::string& error);
// Writes the file atomically, making its folder when needed.
bool save_keyboard_memory(const std::string& path, const KeyboardMemory& memory, std::string& error);

}  // namespace kbptool
