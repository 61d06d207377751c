// Real devices behind the core on Linux: serial ttys, hidraw nodes and the
// keyboard's input device, with the library's message boxes on the terminal.
// --sim (or KBPTOOL_SIM=1) hands the command line to kbptool-sim beside this
// program, which runs it on the simulated PC.
#include <strings.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hosts/host.h"
#include "hosts/linux/linux_devices.h"
#include "include/kbp_protocol.h"
#include "include/kbpi32_linux.h"
#include "output/text.h"

namespace kbptool::host {

namespace {

constexpr char kSimSwitch[] = "--sim";
constexpr char kSimProgram[] = "kbptool-sim";
constexpr char kSimVariable[] = "KBPTOOL_SIM";
constexpr char kNameASerialDevice[] = "name a serial device: /dev/ttyS1, /dev/ttyUSB0 or /dev/ttyACM0";

std::string& input_device() {  // --input
    static std::string device;
    return device;
}

// An environment switch as people write it, in any case; none when it is neither.
std::optional<bool> switch_value(const char* text) {
    for (const char* on : {"1", "yes", "true", "on"})
        if (strcasecmp(text, on) == 0) return true;
    for (const char* off : {"", "0", "no", "false", "off"})
        if (strcasecmp(text, off) == 0) return false;
    return std::nullopt;
}

std::string program_folder() {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return ".";
    const std::string path(self, std::size_t(n));
    return path.substr(0, path.rfind('/'));
}

// Runs the command line on kbptool-sim where it asks for the simulated PC;
// returns only when it does not, or with why kbptool-sim cannot run.
std::optional<Failure> hand_over_if_asked(const std::vector<std::string>& args) {
    bool asked = std::find(args.begin(), args.end(), kSimSwitch) != args.end();
    if (const char* env = std::getenv(kSimVariable); env != nullptr && !asked) {
        const std::optional<bool> value = switch_value(env);
        if (!value)
            return Failure{std::string(kSimVariable) + "=" + env + " is neither on nor off", "",
                           std::string(kSimVariable) + " takes 1, yes, true or on (the simulated PC), 0, no, false, "
                                                       "off or nothing (this machine's devices)"};
        asked = *value;
    }
    if (!asked) return std::nullopt;
    const std::string program = program_folder() + "/" + kSimProgram;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        if (a != kSimSwitch) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    return Failure{"cannot run " + program + ": " + std::strerror(errno), "",
                   std::string(kSimProgram) + " belongs beside kbptool: install or build both"};
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

int answer_box(const char* text, const char* caption, int, void* context) {
    const auto& [answer, quiet] = *static_cast<const std::pair<Answer, bool>*>(context);
    return answer_message_box(text, caption, answer, quiet) ? 1 : 0;
}

// Why a serial device did not open, and what to do, for the errno the library noted.
void words_for_error(int error, const std::string& device, Failure& words) {
    const std::string subject = device + ": ";
    switch (error) {
    case ENOENT:
        words.reason = subject + "no such device";
        words.hint = "name a serial device that exists (`kbptool detect` lists them); a USB serial adapter appears "
                     "when it is plugged in";
        return;
    case EACCES:
    case EPERM:
        words.reason = subject + "permission denied (add the user to the `dialout` group)";
        words.hint = "sudo usermod -aG dialout $USER, then log in again";
        return;
    case EBUSY:
        words.reason = subject + "in use by another program";
        words.hint = "close the program that holds it (a terminal program, another kbptool); `fuser " + device +
                     "` names it";
        return;
    case ENOTTY:
        words.reason = subject + "not a terminal (not a serial device)";
        words.hint = kNameASerialDevice;
        return;
    case EIO:
        words.reason = subject + "the device hung up (unplugged, or its other end closed)";
        words.hint = "plug the serial cable in again and check the keyboard's power, then try again";
        return;
    default:
        words.reason = subject + std::strerror(error);
        words.hint = kNameASerialDevice;
    }
}

}  // namespace

const Facts& facts() {
    static const Facts here{"", "/dev/ttyUSB0", "the keyboard's input device (evdev; --input /dev/input/eventN names it)",
                            "report this as a fault: on Linux the capture of the keyboard's answers is built in",
                            Path::usb, locale_takes_utf8()};
    return here;
}

std::vector<std::string> arguments(int argc, char** argv, std::optional<Failure>& failure) {
    std::vector<std::string> args(argv + 1, argv + argc);
    failure = hand_over_if_asked(args);
    return args;
}

void add_switches(CLI::App& app) {
    static bool simulated = false;  // handed over before the command line is parsed
    app.add_flag(kSimSwitch, simulated, "Run on the simulated PC with its keyboard, no hardware (also KBPTOOL_SIM=1)");
}

void add_options(CLI::App& command) {
    command.add_option("--input", input_device(),
                       "The keyboard's input device (/dev/input/eventN) an upload takes its answers from; found "
                       "through sysfs when not given");
}

bool load(Library& library, Failure&) {
    library = linked_library();
    return true;
}

// The library's other paths need Windows' keyboard drivers or its port I/O.
std::optional<Failure> missing_path(Path path, bool takes_port) {
    if (path == Path::usb || path == Path::com) return std::nullopt;
    return Failure{"", "Linux has no " + std::string(facts_of(path).title) +
                           ": the keyboard is reached here over USB (hidraw) and serial devices only",
                   std::string("use USB (--usb, the default)") +
                       (takes_port ? " or a serial device: --port /dev/ttyUSB0, /dev/ttyS1 or /dev/ttyACM0" : "")};
}

bool prepare(Answer answer, bool quiet, std::string&) {
    static std::pair<Answer, bool> answers;
    answers = {answer, quiet};
    kbp_linux_set_input_device(input_device().c_str());
    kbp_linux_set_device_roots(sysfs_root().c_str(), device_root().c_str());
    kbp_linux_set_box_callback(&answer_box, &answers);
    return true;
}

bool give_file(const std::string& file, bool, std::string& name, std::string&) {
    name = file;
    return true;
}

bool take_file(const std::string&, const std::string&, bool, std::string&) { return true; }

bool keep(std::string&) { return true; }

void step_done(double) {}

std::vector<FoundDevice> devices() {
    std::vector<FoundDevice> found = serial_devices();
    for (FoundDevice& node : keyboard_nodes()) found.push_back(std::move(node));
    return found;
}

std::optional<Failure> port_refusal(const std::string&) { return std::nullopt; }

void explain(Path path, const std::string& port, const kbp_last_transfer& last, Failure& failure) {
    if (path == Path::com) {
        const int error = kbp_linux_last_device_error();
        if (last.cause != KBP_CAUSE_COM_NOT_OPENED || error == 0) return;
        failure.text = "cannot open " + port;
        return words_for_error(error, port, failure);
    }
    if (const std::string why = why_no_usb_keyboard(); !why.empty()) {
        failure.reason = why;
        failure.hint = permission_hint();
    } else if (!keyboard_input_found()) {
        failure.reason = "the keyboard's hidraw node takes bytes, but none of its input devices was found to read its "
                         "answers from";
        failure.hint = "name it with --input /dev/input/eventN (`kbptool detect` lists what it finds)";
    }
}

}  // namespace kbptool::host
