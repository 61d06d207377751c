// kbptool-sim, the simulated PC behind the library: one keyboard model on the
// chosen paths, the capture library and kbpusb installed, its memory kept in
// a state file. Ctrl-C unplugs the keyboard, as a technician pulling the
// cable would: the library fails as usual and what was written is kept.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <thread>

#include "hosts/host.h"
#include "hosts/sim/sim_options.h"
#include "include/kbp_protocol.h"
#include "include/kbpusb.h"
#include "output/interrupt.h"
#include "output/text.h"
#include "platform/sim/scenario.h"

namespace kbptool::host {

namespace {

sim::KeyboardPath keyboard_path_of(Path path) {
    switch (path) {
    case Path::ports: return sim::KeyboardPath::controller_ports;
    case Path::class_driver: return sim::KeyboardPath::class_driver;
    case Path::port_driver: return sim::KeyboardPath::port_driver;
    case Path::usb: return sim::KeyboardPath::usb;
    case Path::com: break;
    }
    return sim::KeyboardPath::com_ports;
}

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
};
SimPc& pc() {
    static SimPc state;
    return state;
}

// From its next byte on, on every path.
void unplug() {
    pc().keyboard.unplugged_at_byte = pc().keyboard.bytes_received + 1;
    sim::unplug_usb_devices();
}

}  // namespace

const Facts& facts() {
    static const Facts here{"", "COM1", "the simulated PC's capture library",
                            "report this as a fault: the simulated PC always installs its capture library", std::nullopt,
                            locale_takes_utf8()};
    return here;
}

std::vector<std::string> arguments(int argc, char** argv, std::optional<Failure>&) { return {argv + 1, argv + argc}; }

void add_switches(CLI::App& app) {
    static bool simulated = true;
    app.add_flag("--sim", simulated, "Run on the simulated PC (this program always does)");
}

void add_options(CLI::App& command) { add_sim_options(command); }

bool load(Library& library, Failure&) {
    library = linked_library();
    return true;
}

std::optional<Failure> missing_path(Path, bool) { return std::nullopt; }

bool prepare(Answer answer, bool quiet, std::string& error) {
    const SimOptions& o = sim_options();
    SimPc& s = pc();
    s.state_file = o.state_file.empty() ? default_state_file() : o.state_file;
    SimFaults faults;
    if (!parse_faults(o.faults, faults, error)) return false;
    std::optional<platform::LineSettings> echo_line;
    if (!o.line.empty()) {
        echo_line = sim::line_setting_of(o.line);
        if (!echo_line) {
            error = "--line " + o.line + " is no line setting such as 9600,N,8,1";
            return false;
        }
    }
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

bool give_file(const std::string& file, bool, std::string& name, std::string&) {
    name = file;
    return true;
}

bool take_file(const std::string&, const std::string&, bool, std::string&) { return true; }

bool keep(std::string& error) {
    SimPc& s = pc();
    const bool kept = s.keyboard.memory == s.loaded || save_keyboard_memory(s.state_file, s.keyboard.memory, error);
    if (interrupt_pending()) {
        if (!kept) std::fprintf(stderr, "kbptool: %s\n", error.c_str());
        end_interrupted();
    }
    hold_interrupt(false);
    return kept;
}

void step_done(double wire_seconds) {
    if (interrupt_pending()) return unplug();
    if (pc().wire_speed) std::this_thread::sleep_for(std::chrono::duration<double>(wire_seconds));
}

std::vector<FoundDevice> devices() {
    std::vector<FoundDevice> found;
    for (const sim::PresentComPort& port : sim::com_ports_present())
        found.push_back({"com", port.name, port.keyboard_attached ? "the simulated keyboard" : "nothing attached"});
    for (const sim::PresentHidDevice& device : sim::hid_devices_present())
        if (device.vendor_id == KBP_USB_VENDOR_ID)
            found.push_back({"hid", device.path, usb_ids_text(device.vendor_id, device.product_id)});
    return found;
}

std::optional<Failure> port_refusal(const std::string&) { return std::nullopt; }

void explain(Path, const std::string&, const kbp_last_transfer&, Failure&) {}

}  // namespace kbptool::host
