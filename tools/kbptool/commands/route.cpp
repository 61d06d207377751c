#include "commands/route.h"

#include <cstdlib>

#include "include/kbp_protocol.h"
#include "include/kbpi32.h"
#include "commands/session.h"
#include "include/kbpi32.h"
#include "output/exit_codes.h"

namespace kbptool {

std::string Route::name() const {
    if (path != Path::com) return std::string(path_title(path));
    return com_port + (settings.empty() ? " (line settings searched)" : " at " + settings);
}

namespace {

// No path named, or the word for the library's automatic choice (not the number).
bool names_no_path(const std::string& name) {
    return name.empty() || (!byte_value(name) && interface_kind(name) == KBP_INTERFACE_AUTOMATIC);
}

// Whether a USB keyboard takes a harmless byte now (USB awaits no acknowledge:
// a device of the keyboard's vendor is there and takes bytes). Leaves USB chosen.
bool usb_keyboard_answers(const KbpLibrary& library) {
    return library.set_interface(*kind_of_path(Path::usb)) == 0 && library.send_byte(KBP_ENABLE) == 0;
}

}  // namespace

std::optional<int> interface_on_host(const KeyboardHost& host, const std::string& name, MissingPath& missing) {
    if (names_no_path(name)) {
        const std::optional<Path> path = host.default_path();
        return path ? *kind_of_path(*path) : KBP_INTERFACE_AUTOMATIC;
    }
    if (const std::optional<Path> path = path_from_name(name)) {
        if (std::optional<MissingPath> why = host.missing_path(*path)) {
            missing = std::move(*why);
            return std::nullopt;
        }
    }
    return interface_kind(name);
}

std::optional<Route> choose_route(const KbpLibrary& library, const KeyboardHost& host, const TransferOptions& t) {
    MissingPath ignored;
    const std::optional<int> kind = interface_on_host(host, t.interface_name, ignored);
    const std::string port_text = t.usb ? std::string(kUsbPortText) : t.port;
    // The library puts USB before a COM port: a COM download goes out with the
    // automatic choice, and its read-back's path is chosen after it.
    const bool com = path_of_port_text(port_text) == Path::com;
    if (!kind || library.set_interface(com ? KBP_INTERFACE_AUTOMATIC : *kind) != 0) return std::nullopt;
    Route route;
    const int chosen = com ? *kind : library.get_interface();
    if (const std::optional<Path> path = path_of_kind(chosen)) route.upload_path = *path;
    route.port_text = port_text;
    // A USB port text puts the frames on USB, over whatever was chosen.
    const std::optional<Path> port_path = path_of_port_text(route.port_text);
    if (port_path == Path::usb) route.upload_path = Path::usb;
    route.path = route.upload_path;
    if (com) {
        const ComText com_text = read_com_text(route.port_text);
        route.path = Path::com;
        route.com_port = com_text.port;
        route.settings = com_text.settings;
        route.line_rate = com_text.line_rate;
        // No upload reads a COM port, and the command line names no other
        // path beside one: the read-back takes USB, where a USB keyboard answers.
        route.upload_path = Path::usb;
    }
    return route;
}

bool failed_over_usb(const Route& route, const Outcome& o) {
    if (!o.failed() || o.ending == Ending::file_error) return false;
    if (route.path == Path::com) return route.usb_chunks() && o.ending == Ending::upload;
    return route.usb_chunks() && o.result != KBP_DOWNLOAD_NOT_A_COM_PORT;
}

bool choose_read_back_path(const KbpLibrary& library, const Route& route) {
    return route.path != Path::com || usb_keyboard_answers(library);
}

Outcome path_refusal(const std::string& command, const std::string& named, const MissingPath& missing,
                     bool takes_port) {
    Outcome o;
    o.command = command;
    o.text = named + " cannot be used here";
    o.reason = missing.reason;
    o.hint = missing.instead + (takes_port && !missing.instead_by_port.empty() ? " " + missing.instead_by_port : "");
    o.ending = Ending::usage;
    return o;
}

Outcome com_port_refused(const std::string& command, const TransferOptions& t, const Route& route,
                         const FailureWords& words) {
    Outcome o;
    o.command = command;
    o.file = t.image;
    o.path = route.name();
    o.text = words.text;
    o.reason = words.reason;
    o.hint = words.hint;
    o.ending = Ending::port_unusable;
    if (command != "upload") o.extra.number("sent", 0L);
    return o;
}

void explain_com_failure(const KeyboardHost& host, const PortText& port, Outcome& o) {
    FailureWords words{outcome_text(o), o.reason, o.hint, o.lines};
    host.explain_com_failure(port, o.raw_text, words);
    o.text = words.text;
    o.reason = words.reason;
    o.hint = words.hint;
    o.lines = words.lines;
}

}  // namespace kbptool
