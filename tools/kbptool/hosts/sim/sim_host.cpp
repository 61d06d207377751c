// kbptool-sim, the simulated PC behind the library: one keyboard model on the
// chosen paths, the capture library and kbpusb installed, its memory kept in
// a state file. Ctrl-C unplugs the keyboard, as a technician pulling the
// cable would: the library fails as usual and what was written is kept.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "cli/numbers.h"
#include "files/file_access.h"
#include "hosts/host.h"
#include "include/kbp_protocol.h"
#include "include/kbpusb.h"
#include "output/interrupt.h"
#include "output/text.h"
#include "platform/sim/scenario.h"

namespace kbptool::host {
namespace {

struct SimFaults {
    bool no_answer = false;
    bool resend = false;
    std::uint64_t unplug_at_byte = 0;       // 0: stays plugged in
    std::optional<std::uint16_t> bad_cell;  // a memory address that keeps its value
    bool close_fails = false;               // closing a device fails (a COM port that cannot be closed)
};

// --keyboard's word for the keyboard on every path at once.
constexpr char kEveryPath[] = "all";

struct SimOptions {
    std::string state_file;           // empty: the default under the cache folder
    std::string keyboard = kEveryPath;  // a path name, or all
    std::string line;              // COM line settings the keyboard echoes at; empty: any
    std::vector<std::string> faults;
    bool wire_speed = false;
};

constexpr unsigned kLastAddress = KBP_KEYBOARD_MEMORY_SIZE - 1;
constexpr const char* kStartAnew = "remove it to start with a new keyboard, or name another with --sim-state";

using KeyboardMemory = std::array<std::uint8_t, KBP_KEYBOARD_MEMORY_SIZE>;

SimOptions options_given;

// The faults named on the command line; false with the reason for a bad one.
bool parse_faults(const std::vector<std::string>& names, SimFaults& faults, std::string& error) {
    for (const std::string& name : names) {
        if (name == "no-answer") {
            faults.no_answer = true;
        } else if (name == "resend") {
            faults.resend = true;
        } else if (name == "close-fails") {
            faults.close_fails = true;
        } else if (const bool unplug = name.starts_with("unplug-at="); unplug || name.starts_with("bad-cell=")) {
            const ReadNumber n = read_number(name.substr(name.find('=') + 1),
                                             unplug ? NumberRange{1} : NumberRange{0, kLastAddress, true});
            if (!n.value) {
                error = (unplug ? "unplug-at wants a byte count of 1 or more: " : "bad-cell wants a keyboard address: ") +
                        n.problem;
                return false;
            }
            if (unplug) faults.unplug_at_byte = *n.value;
            else faults.bad_cell = std::uint16_t(*n.value);
        } else {
            error = "unknown fault " + name + " (no-answer, resend, unplug-at=N, bad-cell=ADDRESS, close-fails)";
            return false;
        }
    }
    return true;
}

// $XDG_CACHE_HOME/kbptool/sim-keyboard.bin, else ~/.cache/kbptool/sim-keyboard.bin.
std::string default_state_file() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    const char* home = std::getenv("HOME");
    const std::string folder = cache != nullptr && *cache != '\0' ? std::string(cache)
                                                                   : std::string(home != nullptr ? home : ".") + "/.cache";
    return folder + "/kbptool/sim-keyboard.bin";
}

// Fills `memory` from the file; a missing file leaves it as is (a new
// keyboard). False with the reason when the file is there but unusable.
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

// Writes the file atomically, making its folder when needed.
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

// The simulated PC names the same five paths in the same order.
sim::KeyboardPath keyboard_path_of(Path path) { return sim::KeyboardPath(int(path)); }
static_assert(int(sim::KeyboardPath::controller_ports) == int(Path::ports) &&
              int(sim::KeyboardPath::com_ports) == int(Path::com));

// Ctrl-C breaks off a wait for an answer at the terminal.
void break_off_reads_on_interrupt() {
    struct sigaction action {};
    if (sigaction(SIGINT, nullptr, &action) != 0) return;
    action.sa_flags &= ~SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
}

struct SimPc {
    kbdsim::Keyboard keyboard;
    KeyboardMemory loaded{};
    std::string state_file;
    bool wire_speed = false;
} pc;

// From its next byte on, on every path.
void unplug() {
    pc.keyboard.unplugged_at_byte = pc.keyboard.bytes_received + 1;
    sim::unplug_usb_devices();
}
}  // namespace

const Facts& facts() {
    static const Facts here{"", "COM1", "the simulated PC's capture library",
                            "report this as a fault: the simulated PC always installs its capture library", std::nullopt,
                            locale_takes_utf8(),
                            "the simulated PC has one keyboard, whose memory one state file keeps: program several "
                            "real ones with kbptool on Linux or Windows"};
    return here;
}

std::vector<std::string> arguments(int argc, char** argv, std::optional<Failure>&) { return {argv + 1, argv + argc}; }

void add_switches(CLI::App& app) {
    static bool simulated = true;
    app.add_flag("--sim", simulated, "Run on the simulated PC (this program always does)");
}

void add_options(CLI::App& command) {
    SimOptions& o = options_given;
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


std::optional<Failure> missing_path(Path, bool) { return std::nullopt; }

bool prepare(Answer answer, bool quiet, std::string& error) {
    const SimOptions& o = options_given;
    SimPc& s = pc;
    s.state_file = o.state_file.empty() ? default_state_file() : o.state_file;
    SimFaults faults;
    if (!parse_faults(o.faults, faults, error)) return false;
    // --line's check has read it.
    const std::optional<platform::LineSettings> echo_line =
        o.line.empty() ? std::nullopt : sim::line_setting_of(o.line);
    if (!load_keyboard_memory(s.state_file, s.keyboard.memory, error)) return false;
    s.loaded = s.keyboard.memory;

    const bool everywhere = o.keyboard == kEveryPath;
    sim::Scenario scenario(s.keyboard);
    // This process's kbpusb has not been used yet: it is as freshly loaded.
    scenario.without_recording().capture_library().kbpusb({&snddata_USB, &Close_USB});
    if (everywhere) {
        scenario.on_every_path();
    } else if (const std::optional<Path> path = path_from_name(o.keyboard)) {
        // The automatic choice follows the Windows version: put the keyboard where it looks.
        scenario.on(keyboard_path_of(*path)).windows_choosing(keyboard_path_of(*path));
    }
    if (echo_line) scenario.echo_at(*echo_line);
    if (faults.close_fails) scenario.closing_fails();
    scenario.usb_unplugs_at_write(unsigned(faults.unplug_at_byte));
    scenario.answering_boxes([answer, quiet](const std::string& text, const std::string& caption) {
        break_off_reads_on_interrupt();
        return answer_message_box(text, caption, answer, quiet);
    });
    scenario.build();
    if (faults.no_answer) {
        s.keyboard.answer_mode = kbdsim::AnswerMode::silent;
        s.keyboard.answers_echo = false;
        s.keyboard.answers_reads = false;
    }
    if (faults.resend) s.keyboard.answer_mode = kbdsim::AnswerMode::resend;
    s.keyboard.unplugged_at_byte = faults.unplug_at_byte;
    s.keyboard.stuck_cell = faults.bad_cell;
    s.wire_speed = o.wire_speed;
    if (!quiet)
        std::fprintf(stderr, "kbptool: simulated keyboard (no hardware) on %s, memory kept in %s\n",
                     everywhere ? "every path" : o.keyboard.c_str(), s.state_file.c_str());
    hold_interrupt(true);
    return true;
}

bool keep(std::string& error) {
    SimPc& s = pc;
    const bool kept = s.keyboard.memory == s.loaded || save_keyboard_memory(s.state_file, s.keyboard.memory, error);
    return kept;
}

// A Ctrl-C unplugs the keyboard at its next step.
void stop_library() {}

void step_done(double wire_seconds) {
    if (interrupt_pending()) return unplug();
    if (pc.wire_speed) std::this_thread::sleep_for(std::chrono::duration<double>(wire_seconds));
}

std::vector<FoundDevice> devices(const Library&) {
    std::vector<FoundDevice> found;
    for (const sim::PresentComPort& port : sim::com_ports_present())
        found.push_back({"com", port.name, port.keyboard_attached ? "the simulated keyboard" : "nothing attached"});
    for (const sim::PresentHidDevice& device : sim::hid_devices_present())
        if (device.vendor_id == KBP_USB_VENDOR_ID)
            found.push_back({"hid", device.path, usb_ids_text(device.vendor_id, device.product_id), true});
    return found;
}

bool choose_usb_device(const std::string& path, std::string& error) {
    if (SetDevice_USB(path.c_str()) == 0) return true;
    error = "kbpusb cannot take the device name " + path;
    return false;
}

void explain(Path, const std::string&, const kbp_last_transfer&, Failure&) {}
}  // namespace kbptool::host
