#pragma once
// What every command that talks to a keyboard needs: the command line's
// settings, the way a transfer takes to the keyboard (as the command line
// names it, as the library reads the port text, as the library then chose
// it), the library's two transfers with what their progress saw and what the
// library told after, and what a failure means for the technician.
#include <cstdint>
#include <optional>
#include <string>

#include "commands/paths.h"
#include "hosts/host.h"
#include "output/report.h"

namespace kbptool {
// What the command line sets for every command.
struct Context {
    OutputOptions output;
    bool yes = false;  // --yes
    bool no = false;   // --no
    int exit_code = 0;

    Answer answer() const { return yes ? Answer::yes : no ? Answer::no : Answer::ask; }
};

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

// The outcome reported as the command's end.
void end_with(const Outcome& outcome, Context& context);
// The library; none, with the failure reported, when it cannot be loaded.
std::optional<Library> load_library(Command command, Context& context);
// The keyboard made ready; false, with the failure reported, when it cannot be.
bool prepare_keyboard(Command command, Context& context);
// Reports the outcome, then keeps what the keyboard holds; a failure to keep
// it is reported too and turns a success into exit code 3.
void finish(const Outcome& outcome, Context& context);

// One call of kbp_download or kbp_upload.
struct LibraryCall {
    int result = 0;
    std::string status;
    double seconds = 0;
    kbp_last_transfer last{};
    std::string file_error;  // the file could not be handed to the library, or what it wrote not kept
};
// kbp_download of `file` (`size` bytes) over `route`.
LibraryCall call_download(const Library& library, const Route& route, const std::string& file, long size,
                          const Context& context);
// kbp_upload into `file`; `size` 0: not known in advance. `label` heads the progress.
LibraryCall call_upload(const Library& library, const Route& route, const std::string& file, long size,
                        const Context& context, const char* label);
// A file the library needed could not be handed to it, or what it wrote not
// kept: the tool's failure, not the keyboard's. Fills `o` and says so.
bool file_failed(Outcome& o, const LibraryCall& call);

// What a failure means: what the keyboard now holds, why, in the tool's
// words, and what to check or try, from the library's result and the cause it
// tells. The library's own text stays as it came.
// A download that failed (a negative result): `text` is what the keyboard
// now holds, of the `image_bytes` (from the first image address on) it had to take.
Failure explain_download(const Library& library, const LibraryCall& call, const Route& route, long image_bytes);
// An upload that failed; `with_port`: the command takes --port.
Failure explain_upload(const LibraryCall& call, const Route& route, bool with_port);

// The usual advice when no keyboard answers on a path.
std::string cable_hint(const Route& route, bool with_port);
// "--interface ports|class|portdriver": the paths besides USB an interface
// kind chooses that this system has; empty where it has none.
std::string other_interfaces();
}  // namespace kbptool
