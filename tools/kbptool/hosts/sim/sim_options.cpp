#include "hosts/sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "cli/numbers.h"
#include "commands/paths.h"
#include "files/file_access.h"
#include "platform/sim/scenario.h"

namespace kbptool {

namespace {
constexpr unsigned kLastAddress = KBP_KEYBOARD_MEMORY_SIZE - 1;
constexpr const char* kStartAnew = "remove it to start with a new keyboard, or name another with --sim-state";
}

SimOptions& sim_options() {
    static SimOptions options;
    return options;
}

bool parse_faults(const std::vector<std::string>& names, SimFaults& faults, std::string& error) {
    for (const std::string& name : names) {
        if (name == "no-answer") {
            faults.no_answer = true;
        } else if (name == "resend") {
            faults.resend = true;
        } else if (name == "close-fails") {
            faults.close_fails = true;
        } else if (name.starts_with("unplug-at=")) {
            const ReadNumber count = read_number(name.substr(10), {1});
            if (!count.value) {
                error = "unplug-at wants a byte count of 1 or more: " + count.problem;
                return false;
            }
            faults.unplug_at_byte = *count.value;
        } else if (name.starts_with("bad-cell=")) {
            const ReadNumber cell = read_number(name.substr(9), {0, kLastAddress, true});
            if (!cell.value) {
                error = "bad-cell wants a keyboard address: " + cell.problem;
                return false;
            }
            faults.bad_cell = std::uint16_t(*cell.value);
        } else {
            error = "unknown fault " + name + " (no-answer, resend, unplug-at=N, bad-cell=ADDRESS, close-fails)";
            return false;
        }
    }
    return true;
}

std::string default_state_file() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    std::string folder;
    if (cache != nullptr && *cache != '\0') {
        folder = cache;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : ".") + "/.cache";
    }
    return folder + "/kbptool/sim-keyboard.bin";
}

void add_sim_options(CLI::App& command) {
    SimOptions& o = sim_options();
    auto* group = "Simulated keyboard";
    command.add_option("--sim-state", o.state_file, "File holding the simulated keyboard's 64 KiB memory between runs")
        ->group(group);
    command.add_option("--keyboard", o.keyboard, "Path the simulated keyboard is on (all: every path at once). Uploads have no COM path")
        ->transform(CLI::IsMember(
            [] {
                std::vector<std::string> names{kEveryPath};
                for (const PathFacts& p : kPaths) names.emplace_back(p.name);
                return names;
            }(),
            CLI::ignore_case))
        ->capture_default_str()
        ->group(group);
    command.add_option("--line", o.line, "COM line settings at which the keyboard echoes, e.g. 9600,N,8,1")
        ->check(CLI::Validator(
            [](std::string& text) {
                return sim::line_setting_of(text) ? "" : "no line setting such as 9600,N,8,1";
            },
            "RATE,P,D,S"))
        ->group(group);
    command.add_option("--fault", o.faults, "Inject a fault: no-answer, resend, unplug-at=N (the N-th byte), bad-cell=ADDRESS (keeps its value), close-fails (closing a COM port fails)")
        ->check(CLI::Validator(
            [](std::string& text) {
                SimFaults ignored;
                std::string error;
                return parse_faults({text}, ignored, error) ? "" : error;
            },
            "FAULT"))
        ->group(group);
    command.add_flag("--wire-speed", o.wire_speed, "Pace the simulated keyboard at its path's wire time")->group(group);
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
