// interface and send: choosing the path and sending single bytes.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands.h"
#include "exit_codes.h"
#include "session.h"

namespace kbptool {

namespace {

const char* kind_name(int kind) {
    static const char* const kNames[] = {"none chosen yet", "ports", "class", "portdriver", "usb"};
    return kind >= 0 && kind <= 4 ? kNames[kind] : "?";
}

int interface(Session& session, const std::string& wanted, const OutputOptions& output) {
    if (!wanted.empty()) {
        const unsigned char refused = session.library.set_interface(*interface_kind(wanted));
        if (refused != 0) {
            complain("kbp_set_interface(" + wanted + ") refused it (1): the kinds are 0..4");
            return exit_code::kFailed;
        }
    }
    const int kind = session.library.get_interface();
    if (output.json)
        std::printf("{\"interface\": %d, \"name\": \"%s\"}\n", kind, kind_name(kind));
    else if (!output.quiet)
        std::printf("interface: %d (%s)%s\n", kind, kind_name(kind),
                    wanted.empty() ? "; the library chooses at the first transfer" : "");
    return exit_code::kSuccess;
}

int send(Session& session, const std::vector<std::string>& bytes, const OutputOptions& output) {
    for (const std::string& text : bytes) {
        const std::optional<int> byte = byte_value(text);
        const unsigned char status = session.library.send_byte(*byte);
        if (status != 0) {
            std::fprintf(stderr, "0x%02X not sent: status 0x%02X\n", unsigned(*byte), unsigned(status));
            return exit_code::kFailed;
        }
        if (!output.quiet) std::printf("0x%02X sent\n", unsigned(*byte));
    }
    return exit_code::kSuccess;
}

// A byte as 0..255, decimal or 0x-hex.
const CLI::Validator kByte(
    [](std::string& text) { return byte_value(text) ? "" : "not a byte (0..255 or 0x00..0xFF)"; },
    "BYTE");

}  // namespace

void add_interface_commands(CLI::App& app, Context& context) {
    auto wanted = std::make_shared<std::string>();
    CLI::App* choose = app.add_subcommand("interface", "Choose the path (kbp_set_interface) and show it (kbp_get_interface)");
    choose->footer("KIND: auto, ports, class, portdriver, usb, or the number 0..255 passed as is.\n"
                   "The choice lasts for this run only.\nExample:\n  kbptool interface auto\n");
    choose->add_option("KIND", *wanted, "Path to choose")->check(CLI::Validator(
        [](std::string& text) { return interface_kind(text) ? "" : "not a path name or 0..255"; }, "KIND"));
    add_keyboard_host_options(*choose);
    choose->callback([wanted, &context] {
        std::optional<Session> session = open_session(context.exit_code);
        if (!session) return;
        context.exit_code = interface(*session, *wanted, context.output);
        close_session(*session);
    });

    auto bytes = std::make_shared<std::vector<std::string>>();
    auto path = std::make_shared<std::string>();
    CLI::App* sender = app.add_subcommand("send", "Send bytes to the keyboard one by one (kbp_snd_interface)");
    sender->footer("Stops at the first byte the path does not take.\nExample:\n  kbptool send 0xEE 0xF4\n");
    sender->add_option("BYTE", *bytes, "Bytes, 0..255 or 0x00..0xFF")->required()->check(kByte);
    sender->add_option("--interface", *path, "Path to choose first")
        ->check(CLI::IsMember({"auto", "ports", "class", "portdriver", "usb"}));
    add_keyboard_host_options(*sender);
    sender->callback([bytes, path, &context] {
        std::optional<Session> session = open_session(context.exit_code);
        if (!session) return;
        if (!path->empty() && session->library.set_interface(*interface_kind(*path)) != 0) {
            context.exit_code = exit_code::kFailed;
            return;
        }
        context.exit_code = send(*session, *bytes, context.output);
        close_session(*session);
    });
}

}  // namespace kbptool
