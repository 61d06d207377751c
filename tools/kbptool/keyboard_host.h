#pragma once
// What stands behind the library: real hardware on Windows, the simulated PC
// with its keyboard elsewhere.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "library_boxes.h"
#include "wire_time.h"

namespace CLI {
class App;
}

namespace kbptool {

// What every host is told by the command line.
struct HostSettings {
    Answer answer = Answer::ask;  // --yes / --no
    bool quiet = false;
};

// A device that may lead to a keyboard, as the host sees it now.
struct FoundDevice {
    std::string kind;    // "com" or "hid"
    std::string name;    // COM3, or the device's path
    std::string detail;  // e.g. "vendor 053A product 0001"; may be empty
};

class KeyboardHost {
public:
    virtual ~KeyboardHost() = default;
    // Before the library is called: the keyboard is ready and the library's
    // message boxes are answered as `settings` say. False with the reason.
    virtual bool prepare(const HostSettings& settings, std::string& error) = 0;
    // After the library's calls: keeps what the keyboard now holds.
    virtual bool keep(std::string& error) = 0;
    // The path the library reaches when the command line names none.
    virtual Path default_path() const = 0;
    // Called once per transfer step that took `wire_seconds` on a real wire.
    virtual void step_done(double wire_seconds) = 0;
    // The COM ports present and the HID devices of the keyboard's vendor.
    virtual std::vector<FoundDevice> devices() const = 0;
    // What the library talks to, for a banner or the JSON: "simulated keyboard …", "hardware".
    virtual std::string description() const = 0;
    // A failure over USB explained in this system's terms: the reason and
    // hint are replaced where the host knows better (no device, no access).
    virtual void explain_usb_failure(std::string& /*reason*/, std::string& /*hint*/) const {}
};

// What --port names, as the library takes it: the port text, and the device
// a COM number of it stands for (empty where COM numbers are the system's).
struct PortText {
    std::string text;
    std::string device;
};
// Why a port text cannot be used here, and what to write instead.
struct PortRefusal {
    std::string reason;
    std::string hint;
};
// None, with the refusal filled in, for a port text this system cannot have.
std::optional<PortText> library_port_text(const std::string& given, PortRefusal& refusal);
// The port text of a transfer whose command line names no path ("" leaves
// the choice to the library).
std::string default_port_text();

// The switches of the whole program that belong to the host (--sim on Linux).
void add_host_switches(CLI::App& app);
// Runs the command line on the other host when it asks for it (--sim, or
// KBPTOOL_SIM=1, on Linux): returns only when this program runs it itself.
void hand_over_if_asked(const std::vector<std::string>& args);

// The host's own options, for a command that talks to a keyboard.
void add_keyboard_host_options(CLI::App& command);
std::unique_ptr<KeyboardHost> make_keyboard_host();
// A command-line word that means help on this system besides -h and --help
// ("/?" on Windows); empty where there is none.
std::string_view host_help_switch();

}  // namespace kbptool
