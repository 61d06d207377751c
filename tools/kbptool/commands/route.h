#pragma once
// The way a transfer takes to the keyboard, as the command line names it and
// as the library then chose it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hosts/kbp_library.h"
#include "include/kbp_protocol.h"
#include "hosts/keyboard_host.h"
#include "commands/port_text.h"
#include "commands/wire_time.h"
#include "output/report.h"

namespace kbptool {

struct TransferOptions {
    std::string image;
    std::string port;            // the status-buffer text: USB, AT, COM1:9600,N,8,1, ...
    bool usb = false;            // --usb: the text USB
    std::string interface_name;  // --interface
    bool no_verify = false;
    bool force = false;          // --force: send an image cut shorter than its end field says
};

struct Route {
    Path path = Path::port_driver;  // the path of the frames
    Path upload_path = Path::port_driver;  // an upload has no COM path: the one it takes instead
    std::string port_text;          // what goes into the status buffer
    std::string com_port;           // COM5, when the frames go to a COM port
    std::string settings;           // the line settings the port text names; empty: the search
    std::uint32_t line_rate = 9600;

    bool usb_chunks() const { return upload_path == Path::usb; }
    // "keyboard port driver", "COM5 at 9600,N,8,1", "COM5 (line settings searched)".
    std::string name() const;
    std::string upload_name() const { return std::string(path_title(upload_path)); }
};

// The InterfaceKind --interface `name` chooses on `host`: "" and "auto" take
// the host's default path (the library's automatic choice where it has
// none), a number is passed as it is. None, with `missing` filled, for a path
// this host cannot have.
std::optional<int> interface_on_host(const KeyboardHost& host, const std::string& name, MissingPath& missing);

// Chooses the path in the library as the command line says (the host's
// default when it names none) and describes it. None when the library
// refuses the interface. The interface must be one interface_on_host took.
std::optional<Route> choose_route(const KbpLibrary& library, const KeyboardHost& host, const TransferOptions& options);

// The refusal of a path this host cannot have (`named`: "--interface ports"),
// before the library is asked; `takes_port`: the command has --port to offer.
Outcome path_refusal(const std::string& command, const std::string& named, const MissingPath& missing,
                     bool takes_port);

// A COM port the host refused before the library was called, for `command`.
Outcome com_port_refused(const std::string& command, const TransferOptions& options, const Route& route,
                         const FailureWords& words);

// A failed COM transfer told in the host's words: the system's reason why
// the port does not open, the device the command line named.
void explain_com_failure(const KeyboardHost& host, const PortText& port, Outcome& outcome);

// Whether `outcome` failed on USB: the frames' path, or a COM download's
// read-back that took USB.
bool failed_over_usb(const Route& route, const Outcome& outcome);

// Before the read-back of a download: a COM download's read-back path chosen
// in the library (USB only where a USB keyboard answers). False when no path can read it back.
bool choose_read_back_path(const KbpLibrary& library, const Route& route);

}  // namespace kbptool
