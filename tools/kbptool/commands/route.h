#pragma once
// The way a transfer takes to the keyboard, as the command line names it and
// as the library then chose it.
#include <cstdint>
#include <optional>
#include <string>

#include "hosts/kbp_library.h"
#include "commands/wire_time.h"

namespace kbptool {

struct TransferOptions {
    std::string image;
    std::string port;            // the status-buffer text: USB, AT, COM1:9600,N,8,1, ...
    bool usb = false;            // --usb: the text USB
    std::string interface_name;  // --interface
    bool no_verify = false;
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

// Chooses the path in the library as the command line says (the automatic
// choice when it names none, as the first transfer would make it) and
// describes it. None when the library refuses the interface.
std::optional<Route> choose_route(const KbpLibrary& library, const TransferOptions& options);

}  // namespace kbptool
