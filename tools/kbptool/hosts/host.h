#pragma once
// What stands behind the library: real hardware on Windows or Linux, or the
// simulated PC with its keyboard. Each program links one host's folder, which
// carries out every call below; the build fails where one is missing.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/paths.h"
#include "include/kbpi32.h"
#include "output/boxes.h"
#include "output/report.h"

namespace CLI {
class App;
}

namespace kbptool {
// The exports of kbpi32 the tool calls, and the names it calls them by.
#define KBPTOOL_LIBRARY_CALLS(X)                                                                 \
    X(download, kbp_download) X(upload, kbp_upload) X(set_interface, kbp_set_interface)          \
    X(get_interface, kbp_get_interface) X(send_byte, kbp_snd_interface)                          \
    X(last_transfer, kbp_get_last_transfer) X(read_port_text, kbp_read_port_text)
struct Library {
#define KBPTOOL_LIBRARY_SLOT(member, name) decltype(&name) member = nullptr;
    KBPTOOL_LIBRARY_CALLS(KBPTOOL_LIBRARY_SLOT)
#undef KBPTOOL_LIBRARY_SLOT
    std::string location;  // the DLL's path, or "linked in"
    std::string version;   // the DLL's file version; empty when it has none
};
// A device that may lead to a keyboard, as the host sees it now.
struct FoundDevice {
    std::string kind;    // "com", "serial", "hid" or "input"
    std::string name;    // COM3, or the device's path
    std::string detail;  // e.g. "vendor 053A product 0001"; may be empty
    bool keyboard = false;  // a HID interface of the keyboard's vendor, which --device may name
};

// A kbptool of its own for one keyboard of several, run with a command line
// of its own; what it prints on stdout is read as it comes.
class Worker {
public:
    virtual ~Worker() = default;
    // What it printed since the last call, without waiting: the bytes read,
    // 0 when there are none now, -1 once its output has ended.
    virtual long read(char* buffer, long size) = 0;
    // Waits for it to end: its exit code, or none with how it died in `death`.
    virtual std::optional<int> wait(std::string& death) = 0;
    // Ctrl-C for it alone: it says what the keyboard holds and ends.
    virtual void interrupt() = 0;
};

namespace host {
// This system's words and defaults.
struct Facts {
    std::string help_switch;              // a word for help besides -h and --help ("/?"); empty: none
    std::string example_port;             // a serial port as --port names it here
    std::string answers_source;           // where an upload reads the keyboard's answers, in a phrase
    std::string capture_hint;             // what to do when the library cannot bind its capture library
    std::optional<Path> default_path;     // where the command line names none; none: the library's choice
    bool utf8_output = false;             // whether what the tool prints is shown as UTF-8
    std::string one_keyboard;             // why this host programs one keyboard at a time; empty: it may gang
};
const Facts& facts();

// The arguments after the program's name, in UTF-8. Where they ask for
// another program (--sim on Linux) it runs them and this returns only when it
// cannot, with the reason in `failure`.
std::vector<std::string> arguments(int argc, char** argv, std::optional<Failure>& failure);
// The program's own switches, and the options of a command that talks to a keyboard.
void add_switches(CLI::App& app);
void add_options(CLI::App& command);

// The library: kbpi32.dll beside the program, or the core linked in.
bool load(Library& library, Failure& failure);
// Why this system cannot have `path` (the controller ports on Linux or in a
// 64-bit process, ...), and what to use instead (a serial port too where
// `takes_port`); none where it may.
std::optional<Failure> missing_path(Path path, bool takes_port);
// Before the library is called: the keyboard is ready and the library's boxes
// are answered as told. False with the reason.
bool prepare(Answer answer, bool quiet, std::string& error);
// The name the library opens for the person's `file`: the file's own, or a
// temporary one the host made where the library cannot open every name (a
// copy of it where `reads`). False with the reason in a sentence.
bool give_file(const std::string& file, bool reads, std::string& name, std::string& error);
// After the call: what the library wrote at `name` is moved to `file` where
// `keep`; a name the host made is removed in every case.
bool take_file(const std::string& name, const std::string& file, bool keep, std::string& error);
// After the library's calls: keeps what the keyboard now holds.
bool keep(std::string& error);
// From a signal handler, while prepare() holds the interrupt: stops the
// library's transfer under way, which then ends with its own failure.
void stop_library();
// Once per transfer step that took `wire_seconds` on a real wire.
void step_done(double wire_seconds);
// The serial ports present and the HID devices of the keyboard's vendor.
std::vector<FoundDevice> devices(const Library& library);
// Why the serial port `port` cannot be used now, asked before the library
// is; none where it can, or where the host leaves that to the library.
std::optional<Failure> port_refusal(const kbp_port_text& port);
// Makes the keyboard's HID interface `path`, as devices() lists it, the one
// the USB path opens; empty: the first of the vendor. False with why.
bool choose_usb_device(const std::string& path, std::string& error);
// Whether two device names stand for the same device here (COM5 and com5 on
// Windows; a link and its target on Linux).
bool same_device(const std::string& a, const std::string& b);
// This machine's name, for the record of a transfer.
std::string machine_name();
// The record of transfers at `path`: whether a line can be appended (false
// with the system's reason), and one line appended with a single write while
// the file is locked against every other kbptool.
bool check_log(const std::string& path, std::string& error);
bool append_log(const std::string& path, const std::string& line, std::string& error);
// Starts this program again with `arguments` (after the program's name), its
// stdout read through the worker, its stdin empty; none with why it cannot.
std::unique_ptr<Worker> start_worker(const std::vector<std::string>& arguments, std::string& error);
// A failure on `path` (USB, or the serial port `port`) in this system's
// words, where it knows better: the device missing, the system's reason.
void explain(Path path, const std::string& port, const kbp_last_transfer& last, Failure& failure);
}  // namespace host
}  // namespace kbptool
