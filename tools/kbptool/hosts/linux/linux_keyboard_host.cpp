// Real devices behind the core on Linux: serial ttys, hidraw nodes and the
// keyboard's input device, with the library's message boxes on the terminal.
// --sim (or KBPTOOL_SIM=1) hands the command line to kbptool-sim beside this
// program, which runs it on the simulated PC.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "include/kbp_protocol.h"
#include "hosts/keyboard_host.h"
#include "hosts/linux/linux_devices.h"
#include "hosts/linux/linux_serial_words.h"
#include "include/kbpi32_linux.h"
#include "output/prompt.h"

namespace kbptool {

namespace {

constexpr char kSimSwitch[] = "--sim";
constexpr char kSimProgram[] = "kbptool-sim";
constexpr char kSimVariable[] = "KBPTOOL_SIM";

// An environment switch as people write it, in any case; none when it is neither.
std::optional<bool> switch_value(const char* text) {
    for (const char* on : {"1", "yes", "true", "on"})
        if (strcasecmp(text, on) == 0) return true;
    for (const char* off : {"", "0", "no", "false", "off"})
        if (strcasecmp(text, off) == 0) return false;
    return std::nullopt;
}

// The udev rule kbptool's package installs, for the keyboard's vendor.
std::string permission_hint() {
    char vendor[8];
    std::snprintf(vendor, sizeof vendor, "%04x", unsigned(KBP_USB_VENDOR_ID));
    return std::string("plug the keyboard in; if it is, give this user its hidraw node with the udev rule "
                       KBP_UDEV_RULE " (SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"") +
           vendor + "\", MODE=\"0660\", GROUP=\"plugdev\"; kbptool's package installs it, the README says where "
                    "a build has it), then plug it in again";
}

struct LinuxOptions {
    std::string input_device;  // --input
};
LinuxOptions& linux_options() {
    static LinuxOptions o;
    return o;
}

std::string program_folder() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return ".";
    const std::string path(self, std::size_t(n));
    return path.substr(0, path.rfind('/'));
}

bool names_com_port(const std::string& text) {
    return strncasecmp(text.c_str(), KBP_PORT_TEXT_COM, sizeof KBP_PORT_TEXT_COM - 1) == 0;
}

class LinuxKeyboardHost : public KeyboardHost {
public:
    std::string hand_over_if_asked(const std::vector<std::string>& args) override;
    void add_switches(CLI::App& app) override {
        static bool simulated = false;  // handed over before the command line is parsed
        app.add_flag(kSimSwitch, simulated,
                     "Run on the simulated PC with its keyboard, no hardware (also KBPTOOL_SIM=1)");
    }
    void add_options(CLI::App& command) override {
        command.add_option("--input", linux_options().input_device,
                           "The keyboard's input device (/dev/input/eventN) an upload takes its answers from; "
                           "found through sysfs when not given");
    }
    bool load_library(KbpLibrary& library, std::string&) override {
        library = linked_library();
        return true;
    }
    std::optional<PortText> port_text(const std::string& given, PortRefusal& refusal) const override;
    // The library's other paths need Windows' keyboard drivers or its port I/O.
    std::optional<MissingPath> missing_path(Path path) const override {
        if (path == Path::usb || path == Path::com) return std::nullopt;
        return MissingPath{"Linux has no " + std::string(path_title(path)) +
                               ": the keyboard is reached here over USB (hidraw) and serial devices only",
                           "use USB (--usb, the default)",
                           "or a serial device: --port /dev/ttyUSB0, /dev/ttyS1 or /dev/ttyACM0"};
    }
    std::optional<Path> default_path() const override { return Path::usb; }

    bool prepare(const HostSettings& settings, std::string&) override {
        kbp_linux_set_input_device(linux_options().input_device.c_str());
        kbp_linux_set_device_roots(sysfs_root().c_str(), device_root().c_str());
        box_answers_ = settings;
        kbp_linux_set_box_callback(&answer_box, &box_answers_);
        return true;
    }
    std::vector<FoundDevice> devices() const override {
        std::vector<FoundDevice> found = serial_devices();
        for (FoundDevice& node : keyboard_nodes()) found.push_back(std::move(node));
        return found;
    }
    std::string description() const override { return "hardware (Linux: serial ttys, hidraw, evdev)"; }
    std::string example_port() const override { return "/dev/ttyUSB0"; }
    std::string upload_answers_source() const override {
        return "the keyboard's input device (evdev; --input /dev/input/eventN names it)";
    }
    std::string capture_library_hint() const override {
        return "report this as a fault: on Linux the capture of the keyboard's answers is built in";
    }
    void explain_usb_failure(std::string& reason, std::string& hint) const override {
        if (const std::string why = why_no_usb_keyboard(); !why.empty()) {
            reason = why;
            hint = permission_hint();
        } else if (!keyboard_input_found()) {
            reason = "the keyboard's hidraw node takes bytes, but none of its input devices was found to read its "
                     "answers from";
            hint = "name it with --input /dev/input/eventN (`kbptool detect` lists what it finds)";
        }
    }
    void explain_com_failure(const PortText& port, const std::string& status, FailureWords& words) const override {
        explain_serial_failure(port, status, words);
    }

private:
    static int answer_box(const char* text, const char* caption, int, void* context) {
        const HostSettings& settings = *static_cast<const HostSettings*>(context);
        return answer_message_box(text, caption, settings.answer, settings.quiet) ? 1 : 0;
    }
    HostSettings box_answers_;
};

std::optional<PortText> LinuxKeyboardHost::port_text(const std::string& given, PortRefusal& refusal) const {
    if (names_com_port(given)) {
        refusal = {given + " is a Windows port name",
                   "on Linux name the serial device: --port /dev/ttyS1, /dev/ttyUSB0 or /dev/ttyACM0, with "
                   ":9600,N,8,1 for fixed line settings"};
        return std::nullopt;
    }
    if (!given.starts_with("/")) {
        // "ttyUSB0": a device's name without its folder.
        if (given.starts_with("tty")) {
            refusal = {given + " names no device", "name the device by its path: --port /dev/" + given};
            return std::nullopt;
        }
        return PortText{given, ""};
    }
    const std::size_t colon = given.find(':');
    const std::string device = given.substr(0, colon);
    const int number = kbp_linux_map_com_port(device.c_str());
    if (number == 0) {
        refusal = {"no COM number is left for " + device, "name one serial device per command"};
        return std::nullopt;
    }
    std::string text = KBP_PORT_TEXT_COM + std::to_string(number);
    if (colon != std::string::npos) text += given.substr(colon);
    return PortText{text, device};
}

std::string LinuxKeyboardHost::hand_over_if_asked(const std::vector<std::string>& args) {
    bool asked = std::find(args.begin(), args.end(), kSimSwitch) != args.end();
    if (const char* env = std::getenv(kSimVariable); env != nullptr && !asked) {
        const std::optional<bool> value = switch_value(env);
        if (!value)
            return std::string(kSimVariable) + "=" + env + " is neither on nor off\n" + kSimVariable +
                   " takes 1, yes, true or on (the simulated PC), 0, no, false, off or nothing (this machine's devices)";
        asked = *value;
    }
    if (!asked) return {};
    const std::string program = program_folder() + "/" + kSimProgram;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        if (a != kSimSwitch) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    return "cannot run " + program + ": " + std::strerror(errno) + "\n" + kSimProgram +
           " belongs beside kbptool: install or build both";
}

}  // namespace

KeyboardHost& keyboard_host() {
    static LinuxKeyboardHost host;
    return host;
}

}  // namespace kbptool
