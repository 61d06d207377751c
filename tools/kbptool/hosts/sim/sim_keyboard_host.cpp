// kbptool-sim, the simulated PC behind the library: one keyboard model on the chosen paths,
// the capture library and kbpusb installed, its memory kept in a state file.
#include <signal.h>

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <thread>

#include "include/kbp_protocol.h"
#include "include/kbpusb.h"
#include "hosts/keyboard_host.h"
#include "platform/sim/faults.h"
#include "platform/sim/hid_devices.h"
#include "platform/sim/scenario.h"
#include "output/interrupt.h"
#include "output/prompt.h"
#include "output/readable_text.h"
#include "hosts/sim/sim_options.h"
#include "hosts/sim/sim_state_file.h"

namespace kbptool {

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

class SimKeyboardHost : public KeyboardHost {
public:
    void add_switches(CLI::App& app) override {
        static bool simulated = true;
        app.add_flag("--sim", simulated, "Run on the simulated PC (this program always does)");
    }
    void add_options(CLI::App& command) override { add_sim_options(command); }
    bool load_library(KbpLibrary& library, std::string&) override {
        library = linked_library();
        return true;
    }

    bool prepare(const HostSettings& settings, std::string& error) override {
        const SimOptions& o = sim_options();
        state_file_ = o.state_file.empty() ? default_state_file() : o.state_file;
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
        if (!load_keyboard_memory(state_file_, keyboard_.memory, error)) return false;
        loaded_ = keyboard_.memory;

        const std::string& on = o.keyboard;
        const bool all = on == "all";
        sim::Scenario scenario(keyboard_);
        // This process's kbpusb has not been used yet: it is as freshly loaded.
        scenario.without_recording().capture_library().kbpusb({&snddata_USB, &Close_USB});
        if (all) {
            scenario.on_every_path();
        } else if (const std::optional<Path> path = path_from_name(on)) {
            // The automatic choice follows the Windows version: put the keyboard where it looks.
            scenario.on(keyboard_path_of(*path)).windows_choosing(keyboard_path_of(*path));
        }
        if (echo_line) scenario.echo_at(*echo_line);
        scenario.usb_unplugs_at_write(unsigned(faults.unplug_at_byte));
        scenario.answering_boxes([settings](const std::string& text, const std::string& caption) {
            break_off_reads_on_interrupt();
            return answer_message_box(text, caption, settings.answer, settings.quiet);
        });
        scenario.build();
        if (faults.close_fails) sim::faults().fail(sim::Call::close_handle);
        if (faults.no_answer) {
            keyboard_.answer_mode = kbdsim::AnswerMode::silent;
            keyboard_.answers_echo = false;
            keyboard_.answers_reads = false;
        }
        if (faults.resend) keyboard_.answer_mode = kbdsim::AnswerMode::resend;
        keyboard_.unplugged_at_byte = faults.unplug_at_byte;
        keyboard_.stuck_cell = faults.bad_cell;

        wire_speed_ = o.wire_speed;
        description_ = std::string("simulated keyboard (no hardware) on ") + (all ? "every path" : on.c_str()) +
                       ", memory kept in " + state_file_;
        if (!settings.quiet) std::fprintf(stderr, "kbptool: %s\n", description_.c_str());
        // Ctrl-C unplugs the keyboard, as a technician pulling the cable would:
        // the library fails as usual and what was written is kept.
        hold_interrupt(true);
        return true;
    }

    bool keep(std::string& error) override {
        const bool kept = keyboard_.memory == loaded_ || save_keyboard_memory(state_file_, keyboard_.memory, error);
        if (interrupt_pending()) {
            if (!kept) std::fprintf(stderr, "kbptool: %s\n", error.c_str());
            end_interrupted();
        }
        hold_interrupt(false);
        return kept;
    }

    void step_done(double wire_seconds) override {
        if (interrupt_pending()) {
            unplug();
            return;
        }
        if (wire_speed_) std::this_thread::sleep_for(std::chrono::duration<double>(wire_seconds));
    }

    std::vector<FoundDevice> devices() const override {
        std::vector<FoundDevice> found;
        for (const sim::PresentComPort& port : sim::com_ports_present())
            found.push_back({"com", port.name, port.keyboard_attached ? "the simulated keyboard" : "nothing attached"});
        for (const sim::PresentHidDevice& device : sim::hid_devices_present())
            if (device.vendor_id == KBP_USB_VENDOR_ID)
                found.push_back({"hid", device.path,
                                 usb_ids_text(device.vendor_id, device.product_id)});
        return found;
    }

    std::string description() const override { return description_; }
    std::string example_port() const override { return "COM1"; }
    std::string upload_answers_source() const override { return "the simulated PC's capture library"; }
    std::string capture_library_hint() const override {
        return "report this as a fault: the simulated PC always installs its capture library";
    }

private:
    // From its next byte on, on every path.
    void unplug() {
        keyboard_.unplugged_at_byte = keyboard_.bytes_received + 1;
        for (sim::HidDevice& device : sim::hid().attached) device.plugged = false;
    }

    kbdsim::Keyboard keyboard_;
    KeyboardMemory loaded_{};
    std::string state_file_;
    std::string description_;
    bool wire_speed_ = false;
};

}  // namespace

KeyboardHost& keyboard_host() {
    static SimKeyboardHost host;
    return host;
}

}  // namespace kbptool
