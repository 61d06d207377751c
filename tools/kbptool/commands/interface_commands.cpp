// interface and send: choosing the path and sending single bytes.
#include <CLI/CLI.hpp>
#include <cctype>
#include <cstdio>

#include "cli/commands.h"
#include "commands/failure_words.h"
#include "output/exit_codes.h"
#include "include/kbp_protocol.h"
#include "include/kbpi32.h"
#include "output/readable_text.h"
#include "commands/route.h"
#include "commands/wire_time.h"

namespace kbptool {

namespace {

std::string kind_name(int kind) {
    const std::optional<Path> path = path_of_kind(kind);
    return path ? std::string(path_name(*path)) : kind == KBP_INTERFACE_AUTOMATIC ? "none chosen yet" : "?";
}

std::string kind_title(int kind) {
    const std::optional<Path> path = path_of_kind(kind);
    return path ? std::string(path_title(*path)) : "";
}

// Paths that hand a byte on without waiting for the keyboard's acknowledge.
bool awaits_no_acknowledge(int kind) { return kind == KBP_INTERFACE_PORT_DRIVER || kind == KBP_INTERFACE_USB; }

// What a refused kind is told: the numbers and names the library takes.
std::string kinds_hint() {
    std::string names;
    for (const std::string& name : kInterfaceNames) names += (names.empty() ? "" : ", ") + name;
    return "the kinds are " + std::to_string(KBP_INTERFACE_AUTOMATIC) + ".." + std::to_string(KBP_INTERFACE_USB) +
           ": " + names;
}

// A path the host cannot have, refused before the library is loaded.
bool refused_here(const char* command, const std::string& path, const std::string& named, Context& context) {
    MissingPath missing;
    if (interface_on_host(keyboard_host(), path, missing)) return false;
    context.exit_code = report(path_refusal(command, named, missing, false), context.output);
    return true;
}

Outcome interface(Session& session, const std::string& wanted) {
    Outcome o;
    o.command = "interface";
    const std::optional<Path> default_path = session.host->default_path();
    if (!wanted.empty()) {
        MissingPath ignored;
        const unsigned char refused = session.library.set_interface(*interface_on_host(*session.host, wanted, ignored));
        o.result = refused;
        if (refused != 0) {
            o.text = "kbp_set_interface(" + wanted + ") refused it (1)";
            o.hint = kinds_hint();
            o.ending = Ending::failed;
            return o;
        }
    }
    const int kind = session.library.get_interface();
    o.path = kind_title(kind);
    const std::string later = default_path ? "; kbptool's transfers take " + std::string(path_title(*default_path)) + " here"
                                           : "; the library chooses at the first transfer";
    o.text = std::to_string(kind) + " (" + kind_name(kind) + ")" + (wanted.empty() ? later : "");
    o.extra.number("interface", long(kind)).text("name", kind_name(kind));
    return o;
}

Outcome send(Session& session, const std::string& path, const std::vector<std::string>& bytes) {
    Outcome o;
    o.command = "send";
    MissingPath ignored;
    const bool chosen_here = !path.empty() || session.host->default_path();
    if (chosen_here && session.library.set_interface(*interface_on_host(*session.host, path, ignored)) != 0) {
        o.text = "the library refuses the interface " + path;
        o.ending = Ending::failed;
        return o;
    }
    std::vector<std::string> sent;
    for (const std::string& text : bytes) {
        const int byte = *byte_value(text);
        const unsigned char status = session.library.send_byte(byte);
        const int kind = session.library.get_interface();
        o.path = kind_title(kind);
        o.result = status;
        if (status != 0) {
            o.text = hex_text(unsigned(byte), 2) + " not sent: status " + hex_text(status, 2);
            o.reason = path_phrase(o.path) + " did not take the byte" +
                       (awaits_no_acknowledge(kind) ? "" : " or no keyboard acknowledged it");
            const std::string others = other_interfaces();
            o.hint = "check the keyboard's cable and power" + (others.empty() ? "" : ", or try " + others);
            o.ending = Ending::failed;
            break;
        }
        sent.push_back(hex_text(unsigned(byte), 2));
        o.lines.push_back(hex_text(unsigned(byte), 2) + (awaits_no_acknowledge(kind) ? " handed on" : " sent and acknowledged"));
        ++o.bytes;
        if (awaits_no_acknowledge(kind) && o.warnings.empty())
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
    CLI::App* choose = app.add_subcommand("interface", "Choose the path (kbp_set_interface) and show it (kbp_get_interface)");
    choose->footer("KIND: auto, ports, class, portdriver, usb, or the number 0..255 passed as is.\n"
                   "The choice lasts for this run only.\nExample:\n  kbptool interface auto\n");
    choose->add_option("KIND", *wanted, "Path to choose")->transform(CLI::Validator(
        [](std::string& text) {
            for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));  // USB as usb
            if (interface_kind(text)) return std::string();
            const bool number = text.find_first_of("-0123456789") == 0;
            return (number ? read_byte(text).problem : "\"" + text + "\" is no path name") + "; " + kinds_hint();
        },
        "KIND"));
    keyboard_host().add_options(*choose);
    choose->callback([wanted, &context] {
        if (refused_here("interface", *wanted, *wanted, context)) return;
        std::optional<Session> session = open_session("interface", context);
        if (session) finish_session(*session, interface(*session, *wanted), context);
    });

    auto bytes = std::make_shared<std::vector<std::string>>();
    auto path = std::make_shared<std::string>();
    CLI::App* sender = app.add_subcommand("send", "Send bytes to the keyboard one by one (kbp_snd_interface)");
    sender->footer("Stops at the first byte the path does not take. The keyboard port driver and USB\n"
                   "await no acknowledge: there \"handed on\" cannot tell whether a keyboard took it.\n"
                   "Example:\n  kbptool send " +
                   hex_text(KBP_ECHO, 2) + " " + hex_text(KBP_ENABLE, 2) + "\n");
    sender->add_option("BYTE", *bytes, "Bytes, 0..255 or 0x00..0xFF")->required()->check(kByte);
    sender->add_option("--interface", *path, "Path to choose first")->transform(CLI::IsMember(kInterfaceNames, CLI::ignore_case));
    keyboard_host().add_options(*sender);
    sender->callback([bytes, path, &context] {
        if (refused_here("send", *path, "--interface " + *path, context)) return;
        std::optional<Session> session = open_session("send", context);
        if (session) finish_session(*session, send(*session, *path, *bytes), context);
    });
}

}  // namespace kbptool
