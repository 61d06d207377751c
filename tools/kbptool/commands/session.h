#pragma once
// What every command that talks to a keyboard needs: the command line's
// settings, the route a transfer takes, the library's two transfers, and what
// a failure means for the technician.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "commands/paths.h"
#include "hosts/host.h"
#include "output/report.h"

namespace kbptool {
struct Context {
    OutputOptions output;
    bool yes = false;
    bool no = false;
    int exit_code = 0;

    Answer answer() const { return yes ? Answer::yes : no ? Answer::no : Answer::ask; }
};

struct TransferOptions {
    std::string image;
    std::string port;            // --port as written: USB, AT, COM1:9600,N,8,1, /dev/ttyUSB0, ...
    std::vector<std::string> ports;    // every --port: more than one programs several keyboards
    std::vector<std::string> devices;  // every --device: a USB keyboard's device or its number in detect's list
    bool all = false;                  // --all: every USB keyboard (and every --port)
    std::string log;                   // --log: the record of transfers
    bool worker = false;               // run by a kbptool that programs several keyboards
    bool usb = false;            // --usb: the port text USB
    std::string interface_name;
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
    std::string no_usb_read_back;          // why a COM download is not read back over USB; empty: it may be

    bool usb_chunks() const { return upload_path == Path::usb; }
    // "keyboard port driver", "COM5 at 9600,N,8,1", "COM5 (line settings searched)".
    std::string name() const;
    std::string upload_name() const { return std::string(facts_of(upload_path).title); }
};

// --port as written, but USB in any case ("usb") as the library's "USB".
std::string port_text_of(const std::string& written);
// --port as the library reads it. False with the refusal (exit 2) for a text
// of the other system, two paths named, or settings the library would not take.
bool read_port_option(const Library& library, const TransferOptions& options, Command command, kbp_port_text& port,
                      Outcome& refusal);

// The InterfaceKind --interface `name` chooses here: "" and "auto" take the
// host's default path (the library's automatic choice where it has none), a
// number is passed as it is. None, with why, for a path this host cannot have.
std::optional<int> interface_on_host(const std::string& name, bool takes_port, Failure& missing);
// The refusal of such a path (`named`: "--interface ports").
Outcome path_refusal(Command command, const std::string& named, const Failure& missing);

// The path chosen in the library as the command line says; none when it refuses the interface.
std::optional<Route> choose_route(const Library& library, const TransferOptions& options, const kbp_port_text& port);

// A COM download's read-back path chosen in the library (USB, where a USB
// keyboard takes a byte and may be read); false when no path can read it back.
bool choose_read_back_path(const Library& library, const Route& route);

// The USB keyboard the command line names (`named`: --device, or empty), chosen
// in the library; without one, several keyboards are refused where the
// command `uses_usb`. The device chosen (or the only one present, or empty)
// and how many are present; none with the refusal and its exit code in `o`.
struct KeyboardChoice {
    std::string device;
    std::size_t present = 0;
};
std::optional<KeyboardChoice> choose_keyboard(const Library& library, const std::string& named, bool uses_usb,
                                              Outcome& o);
// --device given more than once where one keyboard is meant: the refusal; none when once or not at all.
std::optional<Outcome> one_device_only(Command command, const std::vector<std::string>& devices);

void end_with(const Outcome& outcome, Context& context);
// The library loaded and the keyboard made ready; none or false, with the failure reported, when not.
std::optional<Library> load_library(Command command, Context& context);
bool prepare_keyboard(Command command, Context& context);
// Reports the outcome once what the keyboard holds is kept; failing to keep it is exit code 3.
void finish(const Outcome& outcome, Context& context);

// A status buffer that holds `port_text` and has room for every text of the
// library, which may quote the port text or the `file` it was given.
std::vector<char> status_buffer(const std::string& port_text, const std::string& file);

struct LibraryCall {
    int result = 0;
    std::string status;
    double seconds = 0;
    kbp_last_transfer last{};
    std::string file_error;  // the file could not be handed to the library, or what it wrote not kept
};
// kbp_download of `file` (`size` bytes), kbp_upload into `file` (`size` 0: not
// known in advance; `label` heads the progress).
LibraryCall call_download(const Library& library, const Route& route, const std::string& file, long size,
                          const Context& context);
LibraryCall call_upload(const Library& library, const Route& route, const std::string& file, long size,
                        const Context& context, const char* label);
// The call's file could not be handed over or kept: the tool's failure, filled into `o`.
bool file_failed(Outcome& o, const LibraryCall& call);

// A failed download in the tool's words, from the library's result and cause:
// `text` is what the keyboard now holds of the `image_bytes` it had to take.
Failure explain_download(const Library& library, const LibraryCall& call, const Route& route, long image_bytes);
// An upload that failed; `with_port`: the command takes --port.
Failure explain_upload(const LibraryCall& call, const Route& route, bool with_port);

std::string cable_hint(const Route& route, bool with_port);
// "--interface ports|class|portdriver": the paths besides USB an interface
// kind chooses that this system has; empty where it has none.
std::string other_interfaces();
}  // namespace kbptool
