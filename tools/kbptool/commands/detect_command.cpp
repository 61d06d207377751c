// detect: where a keyboard answers now, without writing its memory.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "output/exit_codes.h"
#include "commands/failure_words.h"
#include "files/file_access.h"
#include "include/kbp_protocol.h"
#include "include/kbpi32.h"
#include "output/readable_text.h"
#include "commands/wire_time.h"

namespace kbptool {

namespace {

// Keyboard enable: a plain command the keyboard acknowledges and every
// download ends with, so it changes nothing.
constexpr int kHarmlessByte = KBP_ENABLE;

struct PathAnswer {
    std::string path;
    std::string answer;  // "yes", "no", "cannot tell"
    std::string detail;
};

// A path that an InterfaceKind chooses; one this host cannot have is not asked.
PathAnswer probe_path(Session& session, Path path) {
    PathAnswer a{std::string(path_title(path)), "", ""};
    if (const std::optional<MissingPath> missing = session.host->missing_path(path)) {
        a.answer = "not on this system";
        a.detail = missing->reason;
        return a;
    }
    session.library.set_interface(*kind_of_path(path));
    const unsigned char status = session.library.send_byte(kHarmlessByte);
    const bool acknowledged = path == Path::ports || path == Path::class_driver;
    if (acknowledged) {
        a.answer = status == 0 ? "yes" : "no";
        const std::string command = "the enable command " + hex_text(kHarmlessByte, 2);
        a.detail = status == 0 ? "the keyboard acknowledged " + command
                               : "no acknowledge of " + command + " (status " + std::to_string(status) + ")";
    } else if (status == 0) {
        a.answer = "cannot tell";
        a.detail = path == Path::usb ? "a USB device of the keyboard's vendor takes bytes; USB awaits no acknowledge"
                                     : "the driver takes bytes; this path awaits no acknowledge";
    } else {
        a.answer = "no";
        a.detail = path == Path::usb
                       ? "no USB device of the keyboard's vendor (" + hex_digits(KBP_USB_VENDOR_ID, 4) + ") takes bytes"
                       : "the keyboard port driver cannot be reached";
    }
    return a;
}

// The COM search of a download sends only its echo probes; a download
// of a file that does not exist ends after it, before anything is written.
PathAnswer probe_com(Session& session, const PortText& port_text) {
    const std::string& port = port_text.text;
    // The port as the command line named it: COM5, or the device a COM number stands for.
    const std::string name = port_text.device.empty() ? port.substr(0, port.find(':')) : port_text.device;
    PathAnswer a{name, "", ""};
    if (port.find(':') != std::string::npos) {
        a.answer = "cannot tell";
        a.detail = "with line settings named nothing is sent; name the port alone (--port " + name +
                   ") to search the 24 settings";
        return a;
    }
    if (const std::optional<FailureWords> refused = session.host->com_port_refusal(port_text)) {
        a.answer = "no";
        a.detail = refused->reason;
        return a;
    }
    const std::string none = temporary_image_path("kbptool-detect-no-such-file");
    char status[1024];
    std::snprintf(status, sizeof status, "%s", port.c_str());
    const int result = session.library.download(none.c_str(), status, nullptr);
    const std::string found = last_settings_found();
    if (result == KBP_DOWNLOAD_FILE_NOT_OPENED && !found.empty()) {
        a.answer = "yes";
        a.detail = "the keyboard echoed at " + found;
        a.path = name + " at " + found;
        return a;
    }
    Route route;
    route.path = Path::com;
    route.port_text = port;
    route.com_port = name;
    a.answer = "no";
    if (result >= 0) {
        a.detail = "unexpected result";
        return a;
    }
    const Explanation why = explain_download(result, status, route, {});
    FailureWords words{status, why.reason, why.hint, {}};
    session.host->explain_com_failure(port_text, status, words);
    a.detail = words.reason;
    return a;
}

Outcome detect(Session& session, const std::optional<PortText>& port) {
    Outcome o;
    o.command = "detect";
    std::vector<PathAnswer> answers;
    for (Path path : kAllPaths)
        if (kind_of_path(path)) answers.push_back(probe_path(session, path));
    if (port) answers.push_back(probe_com(session, *port));
    std::vector<JsonObject> paths;
    std::string answering;
    for (const PathAnswer& a : answers) {
        o.lines.push_back(a.path + ": " + a.answer + " (" + a.detail + ")");
        paths.push_back(JsonObject{}.text("path", a.path).text("answer", a.answer).text("detail", a.detail));
        if (a.answer == "yes") answering += (answering.empty() ? "" : ", ") + a.path;
    }
    std::vector<JsonObject> devices;
    for (const FoundDevice& d : session.host->devices()) {
        o.lines.push_back(d.kind + " device " + d.name + (d.detail.empty() ? "" : " (" + d.detail + ")"));
        devices.push_back(JsonObject{}.text("kind", d.kind).text("name", d.name).text("detail", d.detail));
    }
    if (!port) o.lines.push_back("serial ports are not probed: --port names one to search for a keyboard");
    const std::optional<Path> default_path = session.host->default_path();
    o.lines.push_back("a transfer that names no path takes " +
                      (default_path ? std::string(path_title(*default_path)) : "the library's automatic choice"));
    o.text = answering.empty() ? "no keyboard acknowledged on any path" : "a keyboard answers on: " + answering;
    o.extra.objects("paths", paths)
        .objects("devices", devices)
        .text("default_path", default_path ? std::string(path_name(*default_path)) : kInterfaceNames.front());
    return o;
}

}  // namespace

void add_detect_command(CLI::App& app, Context& context) {
    auto port = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand(
        "detect", "Ask each path whether a keyboard answers now, without writing its memory; list its devices");
    const std::string example_port = keyboard_host().example_port();
    command->footer("The controller ports and the class driver wait for the keyboard's acknowledge of a\n"
                    "harmless command; the keyboard port driver and USB await none (\"cannot tell\").\n"
                    "--port PORT runs the line-setting search on that port (only echo probes are sent).\n"
                    "Example:\n  kbptool detect --port " + example_port + "\n");
    command->add_option("--port", *port, "A serial port to search for a keyboard, such as " + example_port)
        ->check(CLI::Validator(
            [](std::string& text) {
                PortRefusal why;
                const std::optional<PortText> port = keyboard_host().port_text(text, why);
                if (!port) return why.reason + ": " + why.hint;
                return path_of_port_text(port->text) == Path::com ? std::string() : std::string("not a serial port");
            },
            "PORT"));
    keyboard_host().add_options(*command);
    command->callback([port, &context] {
        std::optional<PortText> port_text;
        PortRefusal why;
        if (!port->empty()) port_text = keyboard_host().port_text(*port, why);
        std::optional<Session> session = open_session("detect", context);
        if (session) finish_session(*session, detect(*session, port_text), context);
    });
}

}  // namespace kbptool
