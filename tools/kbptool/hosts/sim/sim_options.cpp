#include "hosts/sim/sim_options.h"

#include <CLI/CLI.hpp>
#include <cstdlib>

#include "cli/numbers.h"
#include "include/kbp_protocol.h"
#include "platform/sim/scenario.h"

namespace kbptool {

namespace {
constexpr unsigned kLastAddress = KBP_KEYBOARD_MEMORY_SIZE - 1;
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
        ->transform(CLI::IsMember({"all", "ports", "class", "portdriver", "usb", "com"}, CLI::ignore_case))
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

}  // namespace kbptool
