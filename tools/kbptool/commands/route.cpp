#include "commands/session.h"

#include <algorithm>
#include <cctype>

#include "cli/numbers.h"
#include "include/kbp_protocol.h"

namespace kbptool {
std::string Route::name() const {
    if (path != Path::com) return std::string(facts_of(path).title);
    return com_port + (settings.empty() ? " (line settings searched)" : " at " + settings);
}

namespace {
// The path a port text names, in a refusal's words.
std::string port_words(const std::string& given, const kbp_port_text& port) {
    if (port.path == KBP_PORT_USB) return "USB";
    if (port.path == KBP_PORT_SERIAL) return port.port;
    if (port.path == KBP_PORT_CHOSEN) return "the path the interface choice makes";
    return "\"" + given + "\"";
}

Failure two_paths(const std::string& first, const std::string& first_path, const std::string& second,
                  const std::string& second_path) {
    return {first + " and " + second + " name two different paths: " + first_path + " and " + second_path,
            "a transfer takes one path", "keep the one you mean: " + first + " or " + second};
}

// Options that name two different paths.
std::optional<Failure> paths_apart(const TransferOptions& t, const kbp_port_text& port) {
    const std::string port_option = "--port " + t.port;
    if (t.usb && !t.port.empty() && port.path != KBP_PORT_USB)
        return two_paths("--usb", "USB", port_option, port_words(t.port, port));
    const std::optional<Path> chosen = path_from_name(t.interface_name);
    if (!chosen) return std::nullopt;
    const std::string interface_option = "--interface " + t.interface_name;
    const std::string chosen_words = path_phrase(std::string(facts_of(*chosen).title));
    if (port.path == KBP_PORT_SERIAL) {
        Failure both = two_paths(interface_option, chosen_words, port_option, port_words(t.port, port));
        both.reason = "a COM port is a path of its own, which no interface kind names";
        return both;
    }
    if (*chosen != Path::usb && t.usb) return two_paths(interface_option, chosen_words, "--usb", "USB");
    if (*chosen != Path::usb && port.path == KBP_PORT_USB)
        return two_paths(interface_option, chosen_words, port_option, "USB");
    return std::nullopt;
}

// No path named, or the word for the library's automatic choice (not the number).
bool names_no_path(const std::string& name) {
    return name.empty() || (!byte_value(name) && interface_kind(name) == KBP_INTERFACE_AUTOMATIC);
}

// Whether a USB keyboard takes a harmless byte now (USB awaits no acknowledge:
// a device of the keyboard's vendor is there and takes bytes). Leaves USB chosen.
bool usb_keyboard_answers(const Library& library) {
    return library.set_interface(KBP_INTERFACE_USB) == 0 && library.send_byte(KBP_ENABLE) == 0;
}
}  // namespace

std::string port_text_of(const std::string& written) {
    const std::string_view usb = KBP_PORT_TEXT_USB;
    const bool is_usb = written.size() == usb.size() &&
                        std::equal(written.begin(), written.end(), usb.begin(), [](char a, char b) {
                            return std::toupper(static_cast<unsigned char>(a)) == b;
                        });
    return is_usb ? std::string(usb) : written;
}

bool read_port_option(const Library& library, const TransferOptions& t, Command command, kbp_port_text& port,
                      Outcome& refusal) {
    library.read_port_text(t.port.c_str(), &port);
    refusal.command = command;
    const std::string port_option = "--port " + t.port;
    if (port.problem == KBP_PORT_OTHER_SYSTEM || port.problem == KBP_PORT_NO_FOLDER) {
        const std::string hint = port.instead[0] != '\0' ? "--port " + std::string(port.instead) + " (" + port.hint + ")"
                                                         : std::string(port.hint);
        refusal.fail(ExitCode::usage, {port_option + " cannot be used here", port.reason, hint});
        return false;
    }
    if (const std::optional<Failure> apart = paths_apart(t, port)) {
        refusal.fail(ExitCode::usage, *apart);
        return false;
    }
    if (port.problem != KBP_PORT_SETTINGS) return true;
    refusal.fail(ExitCode::usage,
                 {port_option + ": line settings the library would not take as written", port.reason, port.hint});
    return false;
}

std::optional<int> interface_on_host(const std::string& name, bool takes_port, Failure& missing) {
    if (names_no_path(name)) {
        const std::optional<Path> path = host::facts().default_path;
        return path ? facts_of(*path).kind : KBP_INTERFACE_AUTOMATIC;
    }
    if (const std::optional<Path> path = path_from_name(name))
        if (std::optional<Failure> why = host::missing_path(*path, takes_port)) {
            missing = std::move(*why);
            return std::nullopt;
        }
    return interface_kind(name);
}

Outcome path_refusal(Command command, const std::string& named, const Failure& missing) {
    Outcome o(command);
    return o.fail(ExitCode::usage, {named + " cannot be used here", missing.reason, missing.hint});
}

std::optional<Route> choose_route(const Library& library, const TransferOptions& t, const kbp_port_text& port) {
    Failure ignored;
    const std::optional<int> kind = interface_on_host(t.interface_name, true, ignored);
    const bool com = !t.usb && port.path == KBP_PORT_SERIAL;
    // The library puts USB before a COM port: a COM download goes out with the
    // automatic choice, and its read-back's path is chosen after it.
    if (!kind || library.set_interface(com ? KBP_INTERFACE_AUTOMATIC : *kind) != 0) return std::nullopt;
    Route route;
    route.port_text = t.usb ? KBP_PORT_TEXT_USB : t.port;
    if (const PathFacts* path = facts_of_kind(com ? *kind : library.get_interface())) route.upload_path = path->path;
    // A USB port text puts the frames on USB, over whatever was chosen.
    if (t.usb || port.path == KBP_PORT_USB) route.upload_path = Path::usb;
    route.path = route.upload_path;
    if (com) {
        route.path = Path::com;
        route.com_port = port.port;
        route.settings = port.settings;
        route.line_rate = port.line_rate;
        // No upload reads a COM port, and the command line names no other
        // path beside one: the read-back takes USB, where a USB keyboard answers.
        route.upload_path = Path::usb;
    }
    return route;
}

bool choose_read_back_path(const Library& library, const Route& route) {
    return route.path != Path::com || (route.no_usb_read_back.empty() && usb_keyboard_answers(library));
}
}  // namespace kbptool
