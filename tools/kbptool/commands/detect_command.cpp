// detect: where a keyboard answers now, without writing its memory.
#include <CLI/CLI.hpp>
#include <vector>

#include "cli/commands.h"
#include "files/file_access.h"
#include "include/kbp_protocol.h"
#include "output/text.h"

namespace kbptool {
namespace {

// Keyboard enable: a plain command the keyboard acknowledges and every
// download ends with, so it changes nothing.
constexpr int kHarmlessByte = KBP_ENABLE;

struct PathAnswer {
    std::string path;
    std::string answer;  // "yes", "no", "cannot tell", "not on this system"
    std::string detail;
};

// A path that an InterfaceKind chooses; one this host cannot have is not asked.
PathAnswer probe_path(const Library& library, const PathFacts& p) {
    const std::string title(p.title);
    if (const std::optional<Failure> missing = host::missing_path(p.path, false))
        return {title, "not on this system", missing->reason};
    library.set_interface(p.kind);
    const unsigned char status = library.send_byte(kHarmlessByte);
    const std::string command = "the enable command " + hex_text(kHarmlessByte, 2);
    const bool usb = p.path == Path::usb;
    if (p.acknowledged)
        return {title, status == 0 ? "yes" : "no",
                status == 0 ? "the keyboard acknowledged " + command
                            : "no acknowledge of " + command + " (status " + std::to_string(status) + ")"};
    if (status == 0)
        return {title, "cannot tell",
                usb ? "a USB device of the keyboard's vendor takes bytes; USB awaits no acknowledge"
                    : "the driver takes bytes; this path awaits no acknowledge"};
    return {title, "no",
            usb ? "no USB device of the keyboard's vendor (" + hex_digits(KBP_USB_VENDOR_ID, 4) + ") takes bytes"
                : "the keyboard port driver cannot be reached"};
}

// The COM search of a download sends only its echo probes; a download of a
// file that does not exist ends after it, before anything is written.
PathAnswer probe_com(const Library& library, const std::string& given, const kbp_port_text& port) {
    if (given.find(':') != std::string::npos)
        return {port.port, "cannot tell",
                "with line settings named nothing is sent; name the port alone (--port " + std::string(port.port) +
                    ") to search the 24 settings"};
    if (const std::optional<Failure> refused = host::port_refusal(port)) return {port.port, "no", refused->reason};
    // The library itself, with no file of the person's to hand it.
    const std::string none = temporary_image_path("kbptool-detect-no-such-file");
    std::vector<char> status = status_buffer(given, none);
    LibraryCall call{library.download(none.c_str(), status.data(), nullptr), status.data(), 0, {}, ""};
    library.last_transfer(&call.last);
    const std::string found = call.last.line_settings;
    if (call.result == KBP_DOWNLOAD_FILE_NOT_OPENED && !found.empty())
        return {std::string(port.port) + " at " + found, "yes", "the keyboard echoed at " + found};
    if (call.result >= 0) return {port.port, "no", "unexpected result"};
    Route route;
    route.path = Path::com;
    route.port_text = given;
    route.com_port = port.port;
    return {port.port, "no", explain_download(library, call, route, 0).reason};
}

Outcome detect(const Library& library, const std::string& port_given, const kbp_port_text& port,
               const KeyboardChoice& choice) {
    Outcome o(Command::detect);
    std::vector<PathAnswer> answers;
    for (const PathFacts& p : kPaths)
        if (p.kind >= 0) answers.push_back(probe_path(library, p));
    if (!port_given.empty()) answers.push_back(probe_com(library, port_given, port));
    std::vector<JsonObject> paths;
    std::string answering;
    for (const PathAnswer& a : answers) {
        o.lines.push_back(a.path + ": " + a.answer + " (" + a.detail + ")");
        paths.push_back(JsonObject{}.text("path", a.path).text("answer", a.answer).text("detail", a.detail));
        if (a.answer == "yes") answering += (answering.empty() ? "" : ", ") + a.path;
    }
    std::vector<JsonObject> devices;
    long keyboards = 0;
    for (const FoundDevice& d : host::devices(library)) {
        const std::optional<long> number = d.keyboard ? std::optional<long>(++keyboards) : std::nullopt;
        const std::string detail = d.detail + (number ? (d.detail.empty() ? "" : "; ") + std::string("--device ") +
                                                            std::to_string(*number) + " names it"
                                                      : "");
        o.lines.push_back(d.kind + " device " + d.name + (detail.empty() ? "" : " (" + detail + ")"));
        devices.push_back(
            JsonObject{}.text("kind", d.kind).text("name", d.name).text("detail", d.detail).number("keyboard", number));
    }
    if (!choice.device.empty())
        o.lines.push_back("USB was asked with --device " + choice.device);
    else if (keyboards > 1)
        o.lines.push_back(std::to_string(keyboards) + " keyboards are on USB: a transfer over USB names one with --device " +
                          "(its device, or its number 1.." + std::to_string(keyboards) + "), or takes them all with --all");
    if (port_given.empty()) o.lines.push_back("serial ports are not probed: --port names one to search for a keyboard");
    const std::optional<Path> default_path = host::facts().default_path;
    o.lines.push_back("a transfer that names no path takes " +
                      (default_path ? std::string(facts_of(*default_path).title) : "the library's automatic choice"));
    o.text = answering.empty() ? "no keyboard acknowledged on any path" : "a keyboard answers on: " + answering;
    o.extra.objects("paths", paths)
        .objects("devices", devices)
        .text("default_path", default_path ? facts_of(*default_path).name : kAutomaticName)
        .number("keyboards", keyboards)
        .text("device", choice.device);
    return o;
}
}  // namespace

void add_detect_command(CLI::App& app, Context& context) {
    auto port = std::make_shared<std::string>();
    auto device = std::make_shared<std::string>();
    const std::string example = host::facts().example_port;
    CLI::App* command = add_command(
        app, Command::detect,
        "Ask each path whether a keyboard answers now, without writing its memory; list its devices",
        "kbptool detect --port " + example,
        "The controller ports and the class driver wait for the keyboard's acknowledge of a\n"
        "harmless command; the keyboard port driver and USB await none (\"cannot tell\").\n"
        "--port PORT runs the line-setting search on that port (only echo probes are sent).\n");
    command->add_option("--port", *port, "A serial port to search for a keyboard, such as " + example);
    command->add_option("--device", *device, "The USB keyboard to ask: its device or its number, as detect lists them");
    host::add_options(*command);
    command->callback([port, device, &context] {
        const std::optional<Library> library = load_library(Command::detect, context);
        if (!library) return;
        kbp_port_text reading{};
        if (!port->empty()) {
            TransferOptions named;
            named.port = *port;
            Outcome refusal;
            // Line settings it would not take are no matter: with any, nothing is sent.
            if (!read_port_option(*library, named, Command::detect, reading, refusal) &&
                reading.problem != KBP_PORT_SETTINGS)
                return end_with(refusal, context);
            if (reading.path != KBP_PORT_SERIAL)
                return end_with(refusal.fail(ExitCode::usage, {"--port " + *port + " names no serial port",
                                                               "detect searches a serial port for a keyboard",
                                                               "--port " + host::facts().example_port}),
                                context);
        }
        if (!prepare_keyboard(Command::detect, context)) return;
        Outcome refusal(Command::detect);
        if (const std::optional<KeyboardChoice> choice = choose_keyboard(*library, *device, false, refusal))
            return finish(detect(*library, *port, reading, *choice), context);
        end_with(refusal, context);
    });
}
}  // namespace kbptool
