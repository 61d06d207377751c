// interface and send: choosing the path and sending single bytes.
#include <CLI/CLI.hpp>
#include <cctype>

#include "cli/commands.h"
#include "cli/numbers.h"
#include "include/kbp_protocol.h"
#include "output/text.h"

namespace kbptool {
namespace {

std::string kind_name(int kind) {
    const PathFacts* path = facts_of_kind(kind);
    return path ? std::string(path->name) : kind == KBP_INTERFACE_AUTOMATIC ? "none chosen yet" : "?";
}
std::string kind_title(int kind) { return facts_of_kind(kind) ? std::string(facts_of_kind(kind)->title) : ""; }

// What a refused kind is told: the numbers and names the library takes.
std::string kinds_hint() {
    std::string names;
    for (const std::string& name : kInterfaceNames) names += (names.empty() ? "" : ", ") + name;
    return "the kinds are " + std::to_string(KBP_INTERFACE_AUTOMATIC) + ".." + std::to_string(KBP_INTERFACE_USB) +
           ": " + names;
}

// The library and the keyboard, once a path the host cannot have is refused.
std::optional<Library> open_for(Command command, const std::string& path, const std::string& named, int& kind,
                                Context& context) {
    Failure missing;
    const std::optional<int> on_host = interface_on_host(path, false, missing);
    if (!on_host) {
        end_with(path_refusal(command, named, missing), context);
        return std::nullopt;
    }
    kind = *on_host;
    std::optional<Library> library = load_library(command, context);
    if (!library || !prepare_keyboard(command, context)) return std::nullopt;
    return library;
}

Outcome interface(const Library& library, const std::string& wanted, int kind) {
    Outcome o(Command::interface);
    if (!wanted.empty()) {
        const unsigned char refused = library.set_interface(kind);
        o.result = refused;
        if (refused != 0) return o.fail(ExitCode::failed, {"kbp_set_interface(" + wanted + ") refused it (1)", "", kinds_hint()});
    }
    const int chosen = library.get_interface();
    o.path = kind_title(chosen);
    const std::optional<Path> default_path = host::facts().default_path;
    const std::string later = default_path
                                  ? "; kbptool's transfers take " + std::string(facts_of(*default_path).title) + " here"
                                  : "; the library chooses at the first transfer";
    o.text = std::to_string(chosen) + " (" + kind_name(chosen) + ")" + (wanted.empty() ? later : "");
    o.extra.number("interface", long(chosen)).text("name", kind_name(chosen));
    return o;
}

Outcome send(const Library& library, const std::string& path, int kind, const std::vector<std::string>& bytes) {
    Outcome o(Command::send);
    const bool chosen_here = !path.empty() || host::facts().default_path;
    if (chosen_here && library.set_interface(kind) != 0)
        return o.fail(ExitCode::failed, {"the library refuses the interface " + path, "", ""});
    std::vector<std::string> sent;
    for (const std::string& text : bytes) {
        const int byte = *byte_value(text);
        const unsigned char status = library.send_byte(byte);
        const int now = library.get_interface();
        const bool waits = !facts_of_kind(now) || facts_of_kind(now)->acknowledged;
        o.path = kind_title(now);
        o.result = status;
        if (status != 0) {
            const std::string others = other_interfaces();
            o.fail(ExitCode::failed,
                   {hex_text(unsigned(byte), 2) + " not sent: status " + hex_text(status, 2),
                    path_phrase(o.path) + " did not take the byte" + (waits ? " or no keyboard acknowledged it" : ""),
                    "check the keyboard's cable and power" + (others.empty() ? "" : ", or try " + others)});
            break;
        }
        sent.push_back(hex_text(unsigned(byte), 2));
        o.lines.push_back(sent.back() + (waits ? " sent and acknowledged" : " handed on"));
        ++o.bytes;
        if (!waits && o.warnings.empty())
            o.warnings.push_back(path_phrase(o.path) + " awaits no acknowledge: whether a keyboard took the bytes cannot be told");
    }
    if (!o.failed()) o.text = std::to_string(o.bytes) + " byte(s) over " + path_phrase(o.path);
    o.extra.texts("sent", sent);
    return o;
}

// A byte as 0..255, decimal or 0x-hex.
const CLI::Validator kByte(
    [](std::string& text) {
        const ReadNumber byte = read_byte(text);
        return byte.value ? "" : "no byte: " + byte.problem;
    },
    "BYTE");
}  // namespace

void add_interface_commands(CLI::App& app, Context& context) {
    auto wanted = std::make_shared<std::string>();
    CLI::App* choose = add_command(
        app, Command::interface, "Choose the path (kbp_set_interface) and show it (kbp_get_interface)",
        "kbptool interface auto",
        "KIND: auto, ports, class, portdriver, usb, or the number 0..255 passed as is.\nThe choice lasts for this run only.\n");
    choose->add_option("KIND", *wanted, "Path to choose")->transform(CLI::Validator(
        [](std::string& text) {
            for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));  // USB as usb
            if (interface_kind(text)) return std::string();
            const bool number = text.find_first_of("-0123456789") == 0;
            return (number ? read_byte(text).problem : "\"" + text + "\" is no path name") + "; " + kinds_hint();
        },
        "KIND"));
    host::add_options(*choose);
    choose->callback([wanted, &context] {
        int kind = 0;
        if (const std::optional<Library> library = open_for(Command::interface, *wanted, *wanted, kind, context))
            finish(interface(*library, *wanted, kind), context);
    });

    auto bytes = std::make_shared<std::vector<std::string>>();
    auto path = std::make_shared<std::string>();
    auto device = std::make_shared<std::string>();
    CLI::App* sender = add_command(app, Command::send, "Send bytes to the keyboard one by one (kbp_snd_interface)",
                                   "kbptool send " + hex_text(KBP_ECHO, 2) + " " + hex_text(KBP_ENABLE, 2),
                                   "Stops at the first byte the path does not take. The keyboard port driver and USB\n"
                                   "await no acknowledge: there \"handed on\" cannot tell whether a keyboard took it.\n");
    sender->add_option("BYTE", *bytes, "Bytes, 0..255 or 0x00..0xFF")->required()->check(kByte);
    sender->add_option("--interface", *path, "Path to choose first")
        ->transform(CLI::IsMember(kInterfaceNames, CLI::ignore_case));
    sender->add_option("--device", *device, "The USB keyboard: its device or its number, as `kbptool detect` lists them");
    host::add_options(*sender);
    sender->callback([bytes, path, device, &context] {
        int kind = 0;
        // A keyboard named by its USB device is reached over USB.
        if (!device->empty() && path->empty()) *path = "usb";
        const std::optional<Library> library = open_for(Command::send, *path, "--interface " + *path, kind, context);
        if (!library) return;
        Outcome refusal(Command::send);
        if (choose_keyboard(*library, *device, kind == KBP_INTERFACE_USB, refusal))
            return finish(send(*library, *path, kind, *bytes), context);
        end_with(refusal, context);
    });
}
}  // namespace kbptool
