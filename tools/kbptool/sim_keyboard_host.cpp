// The simulated PC behind the library: one keyboard model on the chosen paths,
// the capture library and kbpusb installed, its memory kept in a state file.
#include <chrono>
#include <cstdio>
#include <thread>

#include "include/kbpusb.h"
#include "kbdsim/keyboard.h"
#include "kbpi32/channel/serial_settings.h"
#include "kbpusb/usb_device.h"
#include "keyboard_host.h"
#include "platform/platform.h"
#include "platform/sim/sim.h"
#include "prompt.h"
#include "sim_options.h"
#include "sim_state_file.h"

namespace kbptool {

namespace {

constexpr std::uint16_t kOutputReportLength = 2;  // report identifier, the byte

void install_kbpusb() {
    kbpusb::reset_usb_state();
    sim::libraries().install("KBPUSB.DLL", {{"snddata_USB", reinterpret_cast<void*>(&snddata_USB)},
                                            {"Close_USB", reinterpret_cast<void*>(&Close_USB)}});
}

// Nothing of the simulated PC's bookkeeping grows with the transfer.
void stop_recording(kbdsim::Keyboard& keyboard) {
    keyboard.record_frames = false;
    keyboard.record_bytes = false;
    sim::faults().record = false;
    sim::controller().record = false;
    sim::drivers().class_driver.record = false;
    sim::drivers().port_driver.record = false;
    for (sim::ComPort& port : sim::com_ports().ports) port.record = false;
}

class SimKeyboardHost : public KeyboardHost {
public:
    bool prepare(const HostSettings& settings, std::string& error) override {
        const SimOptions& o = sim_options();
        state_file_ = o.state_file.empty() ? default_state_file() : o.state_file;
        SimFaults faults;
        if (!parse_faults(o.faults, faults, error)) return false;
        sim::LineSetting echo_line{};
        if (!o.line.empty()) {
            kbp::LineSettings line;
            if (!kbp::parse_line_settings(o.line.c_str(), line)) {
                error = "--line " + o.line + " is no line setting such as 9600,N,8,1";
                return false;
            }
            echo_line = {line.rate, line.parity, line.data_bits};
        }
        if (!load_keyboard_memory(state_file_, keyboard_.memory, error)) return false;
        loaded_ = keyboard_.memory;

        sim::reset();
        stop_recording(keyboard_);
        sim::install_function_library();
        install_kbpusb();
        const std::string& on = o.keyboard;
        const bool all = on == "all";
        // The automatic choice follows the Windows version: put the keyboard where it looks.
        if (on == "ports") sim::version().set(platform::kPlatformWin9x, 4, 10);  // Windows 98
        if (on == "class") sim::version().set(platform::kPlatformNt, 4, 0);
        if (all || on == "ports") sim::controller().keyboard = &keyboard_;
        if (all || on == "class") sim::drivers().class_driver.install(&keyboard_);
        if (all || on == "portdriver") sim::drivers().port_driver.install(&keyboard_);
        if (all || on == "usb") {
            sim::HidDevice& device = sim::hid().attach(kbpusb::kbd_vendor_id, kOutputReportLength, &keyboard_);
            device.record = false;
            if (faults.unplug_at_byte != 0) device.unplugs_at_write = unsigned(faults.unplug_at_byte);
        }
        if (all || on == "com") {
            for (sim::ComPort& port : sim::com_ports().ports) {
                port.keyboard = &keyboard_;
                if (!o.line.empty()) {
                    port.echo = sim::EchoPolicy::at_settings;
                    port.echo_settings = {echo_line};
                }
            }
        }
        if (faults.no_answer) {
            keyboard_.answer_mode = kbdsim::AnswerMode::silent;
            keyboard_.answers_echo = false;
            keyboard_.answers_reads = false;
        }
        if (faults.resend) keyboard_.answer_mode = kbdsim::AnswerMode::resend;
        keyboard_.unplugged_at_byte = faults.unplug_at_byte;
        keyboard_.stuck_cell = faults.bad_cell;

        sim::message_boxes().ask = [settings](const sim::MessageBoxShown& box) {
            return answer_message_box(box.text, box.caption, settings.answer, settings.quiet) ? platform::kIdOk
                                                                                               : platform::kIdCancel;
        };
        wire_speed_ = o.wire_speed;
        description_ = std::string("simulated keyboard (no hardware) on ") + (all ? "every path" : on.c_str()) +
                       ", memory kept in " + state_file_;
        if (!settings.quiet) std::fprintf(stderr, "kbptool: %s\n", description_.c_str());
        return true;
    }

    bool keep(std::string& error) override {
        if (keyboard_.memory == loaded_) return true;
        return save_keyboard_memory(state_file_, keyboard_.memory, error);
    }

    Path default_path() const override {
        const std::optional<Path> path = path_from_name(sim_options().keyboard);
        return path ? *path : Path::port_driver;
    }

    void step_done(double wire_seconds) override {
        if (wire_speed_) std::this_thread::sleep_for(std::chrono::duration<double>(wire_seconds));
    }

    std::vector<FoundDevice> devices() const override {
        std::vector<FoundDevice> found;
        for (int n = 1; n <= int(sim::com_ports().ports.size()); ++n)
            found.push_back({"com", "COM" + std::to_string(n),
                             sim::com_port(n).keyboard != nullptr ? "the simulated keyboard" : "nothing attached"});
        for (const sim::HidDevice& device : sim::hid().attached) {
            char detail[48];
            std::snprintf(detail, sizeof detail, "vendor %04X product %04X", device.vendor_id, device.product_id);
            if (device.vendor_id == kbpusb::kbd_vendor_id) found.push_back({"hid", device.path, detail});
        }
        return found;
    }

    std::string description() const override { return description_; }

private:
    kbdsim::Keyboard keyboard_;
    KeyboardMemory loaded_{};
    std::string state_file_;
    std::string description_;
    bool wire_speed_ = false;
};

}  // namespace

std::unique_ptr<KeyboardHost> make_keyboard_host() { return std::make_unique<SimKeyboardHost>(); }

}  // namespace kbptool
