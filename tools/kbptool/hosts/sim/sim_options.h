#pragma once
// The options of the simulated keyboard, shared by every command that talks to it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace kbptool {

struct SimFaults {
    bool no_answer = false;
    bool resend = false;
    std::uint64_t unplug_at_byte = 0;  // 0: stays plugged in
    std::optional<std::uint16_t> bad_cell;  // a memory address that keeps its value
    bool close_fails = false;  // closing a device fails (a COM port that cannot be closed)
};

struct SimOptions {
    std::string state_file;          // empty: the default under the cache folder
    std::string keyboard = "all";    // a path name, or all
    std::string line;                // COM line settings the keyboard echoes at; empty: any
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

}  // namespace kbptool
