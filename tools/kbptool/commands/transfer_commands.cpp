// download, upload and verify on the command line.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "commands/transfers.h"

namespace kbptool {

namespace {

void run_transfer(Command command, const TransferOptions& t, Context& context) {
    const bool takes_port = command != Command::upload;
    const std::optional<Library> library = load_library(command, context);
    if (!library) return;
    Outcome refusal;
    kbp_port_text port{};
    Failure missing;
    Bytes image;
    std::string target;
    if (!read_port_option(*library, t, command, port, refusal)) return end_with(refusal, context);
    if (!interface_on_host(t.interface_name, takes_port, missing))
        return end_with(path_refusal(command, "--interface " + t.interface_name, missing), context);
    const bool ready = command == Command::upload ? check_output(t, target, refusal)
                                                  : check_image(t, port, command, image, refusal);
    if (!ready) return end_with(refusal, context);
    if (!prepare_keyboard(command, context)) return;

    const std::optional<Route> route = choose_route(*library, t, port);
    Outcome o;
    o.command = command;
    if (!route) {
        o.fail(ExitCode::failed, {"the library refuses the interface " + t.interface_name, "", ""});
    } else if (const std::optional<Failure> refused = route->path == Path::com ? host::port_refusal(route->com_port)
                                                                               : std::nullopt) {
        o.file = t.image;
        o.path = route->name();
        o.fail(ExitCode::com_port_failed, *refused);
        if (takes_port) o.extra.number("sent", 0L);
    } else if (command == Command::upload) {
        o = upload(*library, t, *route, target, context);
    } else {
        o = download(*library, t, *route, image, context, command);
    }
    finish(o, context);
}

void add_transfer(CLI::App& app, Context& context, Command command, const std::string& description,
                  const std::string& example) {
    auto t = std::make_shared<TransferOptions>();
    CLI::App* sub = add_command(app, command, description, example);
    const std::string port = host::facts().example_port;
    sub->add_option("IMAGE", t->image, "Configuration image file")->required()->check(refuse_empty_name);
    if (command != Command::upload)
        sub->add_option("--port", t->port, "Port text for the library: USB, AT, " + port + ":9600,N,8,1, " + port +
                                               " (search)");
    sub->add_flag("--usb", t->usb, "Over USB (short for --port USB)");
    sub->add_option("--interface", t->interface_name, "Path to choose first")
        ->transform(CLI::IsMember(kInterfaceNames, CLI::ignore_case));
    if (command == Command::download)
        sub->add_flag("--no-verify", t->no_verify, "Do not read the image back after the download");
    if (command != Command::upload)
        sub->add_flag("--force", t->force, "Send an image even when the file is shorter than its end field says");
    host::add_options(*sub);
    sub->callback([command, t, &context] { run_transfer(command, *t, context); });
}

}  // namespace

void add_transfer_commands(CLI::App& app, Context& context) {
    add_transfer(app, context, Command::download,
                 "Send IMAGE into the keyboard (kbp_download), then read it back and compare",
                 "kbptool download examples/sample.kbp --port " + host::facts().example_port + ":9600,N,8,1");
    add_transfer(app, context, Command::upload, "Read the keyboard's image into IMAGE (kbp_upload)",
                 "kbptool upload backup.kbp --usb");
    add_transfer(app, context, Command::verify,
                 "Download IMAGE, read it back and compare bytes 4..end; fails where it cannot be read back",
                 "kbptool verify examples/sample.kbp");
}

}  // namespace kbptool
