// Real devices behind the core on Linux: serial ttys, hidraw nodes and the
// keyboard's input device, found without opening any of them, and the
// library's message boxes on the terminal. --sim (or KBPTOOL_SIM=1) hands
// the command line to kbptool-sim beside this program, on the simulated PC.
#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hosts/host.h"
#include "include/kbp_protocol.h"
#include "include/kbpi32_linux.h"
#include "output/interrupt.h"
#include "output/text.h"

namespace kbptool::host {
namespace {

constexpr char kSimSwitch[] = "--sim";
constexpr char kSimProgram[] = "kbptool-sim";
constexpr char kSimVariable[] = "KBPTOOL_SIM";
constexpr char kNameASerialDevice[] = "name a serial device: /dev/ttyS1, /dev/ttyUSB0 or /dev/ttyACM0";

std::string input_device;  // --input

// Where the devices and sysfs stand: /dev and /sys, or a test's own trees.
std::string root_from(const char* variable, const char* system_root) {
    const char* root = std::getenv(variable);
    return root != nullptr ? root : system_root;
}
std::string device_root() { return root_from("KBPTOOL_DEV_ROOT", "/dev"); }

struct HidNode {
    std::string path;
    unsigned short vendor = 0;
    unsigned short product = 0;
};
std::vector<HidNode> hid_nodes() {
    std::vector<HidNode> nodes;
    char path[4096];
    for (HidNode node; kbp_linux_hid_node(int(nodes.size()), path, sizeof path, &node.vendor, &node.product);)
        nodes.push_back({path, node.vendor, node.product});
    return nodes;
}

std::string keyboard_input_device() {
    char device[4096];
    return kbp_linux_keyboard_input_device(device, sizeof device) > 0 ? device : "";
}

// Why no USB keyboard can be reached, in words: the vendor looked for, among
// which hidraw nodes, or that its node may not be opened; empty when the
// keyboard's node is there to be opened.
std::string why_no_usb_keyboard() {
    const std::string vendor = hex_digits(KBP_USB_VENDOR_ID, 4);
    std::string seen;
    for (const HidNode& node : hid_nodes()) {
        if (node.vendor == KBP_USB_VENDOR_ID)
            return access(node.path.c_str(), R_OK | W_OK) == 0
                       ? ""
                       : node.path + " is the keyboard (vendor " + vendor + ") but this user may not open it";
        seen += (seen.empty() ? "" : ", ") + node.path + " (" + hex_digits(node.vendor, 4) + ")";
    }
    return "no USB keyboard of vendor " + vendor +
           (seen.empty() ? ": there is no " + device_root() + "/hidraw* node" : " among " + seen);
}

// An environment switch as people write it, in any case; none when it is neither.
std::optional<bool> switch_value(const char* text) {
    for (const char* on : {"1", "yes", "true", "on"})
        if (strcasecmp(text, on) == 0) return true;
    for (const char* off : {"", "0", "no", "false", "off"})
        if (strcasecmp(text, off) == 0) return false;
    return std::nullopt;
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
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string folder = n > 0 ? std::string(self, std::size_t(n)) : "./";
    const std::string program = folder.substr(0, folder.rfind('/')) + "/" + kSimProgram;
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        if (a != kSimSwitch) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    return Failure{"cannot run " + program + ": " + std::strerror(errno), "",
                   std::string(kSimProgram) + " belongs beside kbptool: install or build both"};
}

int answer_box(const char* text, const char* caption, int, void* context) {
    const auto& [answer, quiet] = *static_cast<const std::pair<Answer, bool>*>(context);
    return answer_message_box(text, caption, answer, quiet) ? 1 : 0;
}

// Why a serial device did not open, and what to do, for the errno the library
// noted; the hint "fuser DEVICE" names the device.
struct DeviceErrorWords {
    int error;
    const char* reason;
    const char* hint;  // none: name another serial device
};
constexpr DeviceErrorWords kDeviceErrors[] = {
    {ENOENT, "no such device",
     "name a serial device that exists (`kbptool detect` lists them); a USB serial adapter appears when it is plugged in"},
    {EACCES, "permission denied (add the user to the `dialout` group)", "sudo usermod -aG dialout $USER, then log in again"},
    {EPERM, "permission denied (add the user to the `dialout` group)", "sudo usermod -aG dialout $USER, then log in again"},
    {EBUSY, "in use by another program", "close the program that holds it (a terminal program, another kbptool); `fuser "},
    {ENOTTY, "not a terminal (not a serial device)", nullptr},
    {EIO, "the device hung up (unplugged, or its other end closed)",
     "plug the serial cable in again and check the keyboard's power, then try again"},
};

void words_for_error(int error, const std::string& device, Failure& words) {
    words.reason = device + ": " + std::strerror(error);
    words.hint = kNameASerialDevice;
    for (const DeviceErrorWords& w : kDeviceErrors)
        if (w.error == error) {
            words.reason = device + ": " + w.reason;
            if (w.hint != nullptr) words.hint = w.hint;
            if (error == EBUSY) words.hint += device + "` names it";
        }
}
}  // namespace

const Facts& facts() {
    static const Facts here{"", "/dev/ttyUSB0", "the keyboard's input device (evdev; --input /dev/input/eventN names it)",
                            "report this as a fault: on Linux the capture of the keyboard's answers is built in",
                            Path::usb, locale_takes_utf8(), ""};
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
    command.add_option("--input", input_device,
                       "The keyboard's input device (/dev/input/eventN) an upload takes its answers from; found "
                       "through sysfs when not given");
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
    // A signal stops the transfer through the library, which then tells what the keyboard holds.
    hold_interrupt(true);
    answers = {answer, quiet};
    kbp_linux_set_input_device(input_device.c_str());
    kbp_linux_set_device_roots(root_from("KBPTOOL_SYSFS_ROOT", "/sys").c_str(), device_root().c_str());
    kbp_linux_set_box_callback(&answer_box, &answers);
    return true;
}

bool keep(std::string&) {
    kbp_linux_interrupt(0);
    return true;
}

void stop_library() { kbp_linux_interrupt(1); }

void step_done(double) {}

// /dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS* by name, every hidraw node with
// its vendor, and the keyboard's input device where one is found.
std::vector<FoundDevice> devices(const Library&) {
    std::vector<std::string> names;
    const std::string dev = device_root();
    if (DIR* folder = opendir(dev.c_str())) {
        while (const dirent* entry = readdir(folder))
            for (const std::string_view prefix : {"ttyUSB", "ttyACM", "ttyS"})
                if (std::string_view name = entry->d_name; name.size() > prefix.size() && name.starts_with(prefix))
                    names.emplace_back(name);
        closedir(folder);
    }
    // ttyS10 after ttyS9.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    std::vector<FoundDevice> found;
    for (const std::string& name : names)
        found.push_back({"serial", dev + "/" + name, "not opened: --port " + dev + "/" + name + " uses it"});
    for (const HidNode& node : hid_nodes())
        found.push_back({"hid", node.path,
                         usb_ids_text(node.vendor, node.product) +
                             (node.vendor == KBP_USB_VENDOR_ID ? ", the keyboard's vendor" : ""),
                         node.vendor == KBP_USB_VENDOR_ID});
    if (const std::string input = keyboard_input_device(); !input.empty())
        found.push_back({"input", input, "the keyboard's keys, grabbed during an upload's reads"});
    return found;
}

bool choose_usb_device(const std::string& path, std::string& error) {
    if (kbp_linux_set_usb_device(path.c_str()) == 0) return true;
    error = "the library cannot take the device name " + path;
    return false;
}

void explain(Path path, const std::string& port, const kbp_last_transfer& last, Failure& failure) {
    if (path == Path::com) {
        const int error = kbp_linux_last_device_error();
        if (last.cause != KBP_CAUSE_COM_NOT_OPENED || error == 0) return;
        failure.text = "cannot open " + port;
        return words_for_error(error, port, failure);
    }
    char vendor[8];
    std::snprintf(vendor, sizeof vendor, "%04x", unsigned(KBP_USB_VENDOR_ID));
    if (kbp_linux_last_device_error() == EBUSY) {
        failure.reason = "the keyboard's hidraw node is in use by another program (another kbptool)";
        failure.hint = "wait until it is done, or end it; `fuser` on the node names it";
    } else if (const std::string why = why_no_usb_keyboard(); !why.empty()) {
        failure.reason = why;
        // The udev rule kbptool's package installs, for the keyboard's vendor.
        failure.hint = std::string("plug the keyboard in; if it is, give this user its hidraw node with the udev rule "
                                   KBP_UDEV_RULE " (SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"") +
                       vendor + "\", MODE=\"0660\", GROUP=\"plugdev\"; kbptool's package installs it, the README "
                                "says where a build has it), then plug it in again";
    } else if (keyboard_input_device().empty()) {
        failure.reason = "the keyboard's hidraw node takes bytes, but none of its input devices was found to read its "
                         "answers from";
        failure.hint = "name it with --input /dev/input/eventN (`kbptool detect` lists what it finds)";
    }
}
}  // namespace kbptool::host
