#pragma once
// What stands behind the library: real hardware on Windows or Linux, the
// simulated PC with its keyboard. Each program is built with one host, which
// it reaches through keyboard_host(); everything a host decides is a member here.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/wire_time.h"
#include "hosts/kbp_library.h"
#include "output/library_boxes.h"
#include "output/readable_text.h"

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
    std::string kind;    // "com", "serial", "hid" or "input"
    std::string name;    // COM3, or the device's path
    std::string detail;  // e.g. "vendor 053A product 0001"; may be empty
};

// What --port names, as the library takes it: the port text, and the device
// a COM number of it stands for (empty where COM numbers are the system's).
struct PortText {
    std::string text;
    std::string device;
};
// What the library does with a file it is given by name.
enum class LibraryUse { reads, writes };

// Why a port text cannot be used here, and what to write instead.
struct PortRefusal {
    std::string reason;
    std::string hint;
};
// Why this system has no such path, and what to use instead: the paths
// every command takes, then those only a command with --port has.
struct MissingPath {
    std::string reason;
    std::string instead;          // "use USB (--usb, the default)"
    std::string instead_by_port;  // "or a serial device: --port /dev/ttyUSB0 ..."
};
// A failure in words: what happened, why, what to try.
struct FailureWords {
    std::string text;
    std::string reason;
    std::string hint;
    std::vector<std::string> lines;  // more to show, the library's text among them
};

class KeyboardHost {
public:
    virtual ~KeyboardHost() = default;

    // Before the command line is parsed.
    // The arguments after the program's name, in UTF-8 where the system gives
    // them as characters (Windows); the output set up to show UTF-8.
    virtual std::vector<std::string> arguments(int argc, char** argv) { return {argv + 1, argv + argc}; }
    // Whether what the tool prints is shown as UTF-8.
    virtual bool output_takes_utf8() const { return locale_takes_utf8(); }
    // Runs the command line on another program when it asks for it (--sim on
    // Linux): returns only when this program runs it itself, or with why the
    // other program cannot run (a hint may follow on a line of its own).
    virtual std::string hand_over_if_asked(const std::vector<std::string>& /*args*/) { return {}; }
    // A word that means help on this system besides -h and --help ("/?").
    virtual std::string_view help_switch() const { return {}; }
    // The switches of the whole program that belong to the host.
    virtual void add_switches(CLI::App& /*app*/) {}
    // The host's own options, for a command that talks to a keyboard.
    virtual void add_options(CLI::App& /*command*/) {}

    // The library: kbpi32.dll beside the program, or the core linked in.
    // False, with the reason in words (what failed, why, what to try).
    virtual bool load_library(KbpLibrary& library, std::string& error) = 0;
    // The port text the library takes for what --port names; none, with the
    // refusal filled in, for a text this system cannot have.
    virtual std::optional<PortText> port_text(const std::string& given, PortRefusal& /*refusal*/) const {
        return PortText{given, ""};
    }
    // Why this system cannot have `path` (the controller ports on Linux or in a
    // 64-bit process, ...); none when it may. Such a path is refused before
    // the library is asked.
    virtual std::optional<MissingPath> missing_path(Path /*path*/) const { return std::nullopt; }
    // The path a transfer, send or detect takes when the command line names
    // none (or "auto"); none leaves the choice to the library.
    virtual std::optional<Path> default_path() const { return std::nullopt; }

    // Before the library is called: the keyboard is ready and the library's
    // message boxes are answered as `settings` say. False with the reason.
    virtual bool prepare(const HostSettings& settings, std::string& error) = 0;
    // The name the library opens for `file`, a file of the person's: the
    // file's own name, or one the host made for it where the library cannot
    // open every name (then a copy of it when the library reads it). False
    // with the reason in a sentence.
    virtual bool library_file_name(const std::string& file, LibraryUse /*use*/, std::string& name,
                                   std::string& /*error*/) {
        name = file;
        return true;
    }
    // After the library's call on `name`: what it wrote there is moved to
    // `file` when `keep`; a name the host made is removed in every case.
    // False with the reason in a sentence.
    virtual bool finish_library_file(const std::string& /*name*/, const std::string& /*file*/, bool /*keep*/,
                                     std::string& /*error*/) {
        return true;
    }
    // After the library's calls: keeps what the keyboard now holds.
    virtual bool keep(std::string& /*error*/) { return true; }
    // Called once per transfer step that took `wire_seconds` on a real wire.
    virtual void step_done(double /*wire_seconds*/) {}
    // The COM ports present and the HID devices of the keyboard's vendor.
    virtual std::vector<FoundDevice> devices() const = 0;
    // What the library talks to, for a banner or the JSON: "simulated keyboard …", "hardware".
    virtual std::string description() const = 0;
    // A failure over USB explained in this system's terms: the reason and
    // hint are replaced where the host knows better (no device, no access).
    virtual void explain_usb_failure(std::string& /*reason*/, std::string& /*hint*/) const {}

    // Words of this system for help texts and hints.
    // A serial port as --port names it here: "COM1", "/dev/ttyUSB0".
    virtual std::string example_port() const = 0;
    // Where an upload reads the keyboard's answers from here, in a phrase.
    virtual std::string upload_answers_source() const = 0;
    // What to do when the library cannot bind its capture library (its box came).
    virtual std::string capture_library_hint() const = 0;
    // A COM port the library could not use, in this system's words: `status`
    // is the library's text; what the host knows better (the system's reason
    // why the port does not open, the device the port stands for) replaces
    // the words.
    virtual void explain_com_failure(const PortText& /*port*/, const std::string& /*status*/,
                                     FailureWords& /*words*/) const {}
    // A COM port the system says cannot be used now, asked before the library
    // is: why, in this system's words; none where it can, or where the host
    // leaves the asking to the library.
    virtual std::optional<FailureWords> com_port_refusal(const PortText& /*port*/) const { return std::nullopt; }
};

// The host this program is built with.
KeyboardHost& keyboard_host();

}  // namespace kbptool
