#pragma once
// The options of the simulated keyboard, shared by every command that talks
// to it, and its memory kept in a file between runs.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "include/kbp_protocol.h"

namespace CLI {
class App;
}

namespace kbptool {

struct SimFaults {
    bool no_answer = false;
    bool resend = false;
    std::uint64_t unplug_at_byte = 0;       // 0: stays plugged in
    std::optional<std::uint16_t> bad_cell;  // a memory address that keeps its value
    bool close_fails = false;               // closing a device fails (a COM port that cannot be closed)
};

// --keyboard's word for the keyboard on every path at once.
inline constexpr char kEveryPath[] = "all";

struct SimOptions {
    std::string state_file;           // empty: the default under the cache folder
    std::string keyboard = kEveryPath;  // a path name, or all
    std::string line;              // COM line settings the keyboard echoes at; empty: any
    std::vector<std::string> faults;
    bool wire_speed = false;
};

SimOptions& sim_options();
// The simulated keyboard's options, on a command that talks to it.
void add_sim_options(CLI::App& command);
// The faults named on the command line; false with the reason for a bad one.
bool parse_faults(const std::vector<std::string>& names, SimFaults& faults, std::string& error);
// $XDG_CACHE_HOME/kbptool/sim-keyboard.bin, else ~/.cache/kbptool/sim-keyboard.bin.
std::string default_state_file();

using KeyboardMemory = std::array<std::uint8_t, KBP_KEYBOARD_MEMORY_SIZE>;
// Fills `memory` from the file; a missing file leaves it as is (a new
// keyboard). False with the reason when the file is there but unusable.
bool load_keyboard_memory(const std::string& path, KeyboardMemory& memory, std::string& error);
// Writes the file atomically, making its folder when needed.
bool save_keyboard_memory(const std::string& path, const KeyboardMemory& memory, std::string& error);

}  // namespace kbptool
