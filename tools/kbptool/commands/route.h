#pragma once
// The way a transfer takes to the keyboard: as the command line names it, as
// the library reads the port text, and as the library then chose it.
#include <cstdint>
#include <optional>
#include <string>

#include "commands/paths.h"
#include "hosts/host.h"
#include "output/report.h"

namespace kbptool {

struct TransferOptions {
    std::string image;
    std::string port;            // --port as written: USB, AT, COM1:9600,N,8,1, /dev/ttyUSB0, ...
    bool usb = false;            // --usb: the port text USB
    std::string interface_name;  // --interface
    bool no_verify = false;
    bool force = false;          // --force: send an image cut shorter than its end field says
};

struct Route {
    Path path = Path::port_driver;         // the path of the frames
    Path upload_path = Path::port_driver;  // an upload has no COM path: the one it takes instead
    std::string port_text;                 // what goes into the status buffer
    std::string com_port;                  // COM5 or /dev/ttyUSB0, when the frames go to a serial port
    std::string settings;                  // the line settings the port text names; empty: the search
    std::uint32_t line_rate = 0;           // of those settings; 0: searched

    bool usb_chunks() const { return upload_path == Path::usb; }
    // "keyboard port driver", "COM5 at 9600,N,8,1", "COM5 (line settings searched)".
    std::string name() const;
    std::string upload_name() const { return std::string(facts_of(upload_path).title); }
};

// --port as the library reads it. False, with the refusal (exit 2), for a
// text this system names otherwise, options that name two paths, or line
// settings the library would not take as written.
bool read_port_option(const Library& library, const TransferOptions& options, Command command, kbp_port_text& port,
                      Outcome& refusal);

// The InterfaceKind --interface `name` chooses here: "" and "auto" take the
// host's default path (the library's automatic choice where it has none), a
// number is passed as it is. None, with why, for a path this host cannot have.
std::optional<int> interface_on_host(const std::string& name, bool takes_port, Failure& missing);
// The refusal of such a path (`named`: "--interface ports") before the library is asked.
Outcome path_refusal(Command command, const std::string& named, const Failure& missing);

// Chooses the path in the library as the command line says and describes it;
// none when the library refuses the interface.
std::optional<Route> choose_route(const Library& library, const TransferOptions& options, const kbp_port_text& port);

// Before the read-back of a download: a COM download's read-back path chosen
// in the library (USB, only where a USB keyboard takes a byte). False when no
// path can read it back.
bool choose_read_back_path(const Library& library, const Route& route);

}  // namespace kbptool
