// download, upload and verify on the command line.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "output/exit_codes.h"
#include "commands/transfers.h"

namespace kbptool {

namespace {

enum class Transfer { download, upload, verify };

// Where an upload may write: checked before anything is sent to the keyboard.
bool check_output(const TransferOptions& t, std::string& target, Outcome& refusal) {
    refusal.command = "upload";
    refusal.file = t.image;
    refusal.ending = Ending::file_error;
    FileError error;
    if (!resolve_output(t.image, target, error) || !check_writable(target, target + ".part", error)) {
        refusal.text = "cannot write the image to " + t.image;
        refusal.reason = describe(error);
        refusal.hint = "name a regular file (new or to be replaced) in a folder that exists and that you may write";
        return false;
    }
    return true;
}

// The command line's port text as this system's library takes it.
std::optional<PortText> port_for_library(TransferOptions& t, const char* command, Outcome& refusal) {
    PortRefusal why;
    std::optional<PortText> port = keyboard_host().port_text(t.port, why);
    refusal.command = command;
    refusal.ending = Ending::usage;
    if (!port) {
        refusal.text = "--port " + t.port + " cannot be used here";
        refusal.reason = why.reason;
        refusal.hint = why.hint;
        return std::nullopt;
    }
    if (const std::optional<OptionsRefusal> wrong = refuse_path_options(t.port, port->text, t.usb, t.interface_name)) {
        refusal.text = wrong->text;
        refusal.reason = wrong->reason;
        refusal.hint = wrong->hint;
        return std::nullopt;
    }
    t.port = port->text;
    return port;
}

// A path this system cannot have, refused before the library is asked.
bool path_on_host(const TransferOptions& t, const char* command, Outcome& refusal) {
    MissingPath missing;
    if (interface_on_host(keyboard_host(), t.interface_name, missing)) return true;
    refusal = path_refusal(command, "--interface " + t.interface_name, missing, std::string_view(command) != "upload");
    return false;
}

void run_transfer(Transfer kind, TransferOptions t, Context& context) {
    const char* const command = kind == Transfer::download ? "download" : kind == Transfer::upload ? "upload" : "verify";
    Bytes image;
    std::string target;
    Outcome refusal;
    const std::optional<PortText> port = port_for_library(t, command, refusal);
    if (!port || !path_on_host(t, command, refusal)) {
        context.exit_code = report(refusal, context.output);
        return;
    }
    const bool ready = kind == Transfer::upload ? check_output(t, target, refusal)
                                                : check_image(t, command, image, refusal);
    if (!ready) {
        context.exit_code = report(refusal, context.output);
        return;
    }
    std::optional<Session> session = open_session(command, context);
    if (!session) return;
    std::optional<Route> route = choose_route(session->library, *session->host, t);
    if (route && !port->device.empty()) route->com_port = port->device;
    Outcome o;
    std::optional<FailureWords> port_refused;
    if (route && route->path == Path::com) port_refused = session->host->com_port_refusal(*port);
    if (!route) {
        o.command = command;
        o.text = "the library refuses the interface " + t.interface_name;
        o.ending = Ending::failed;
    } else if (port_refused) {
        o = com_port_refused(command, t, *route, *port_refused);
    } else if (kind == Transfer::download) {
        o = download(*session, t, *route, image, context);
    } else if (kind == Transfer::verify) {
        o = verify(*session, t, *route, image, context);
    } else {
        o = upload(*session, t, *route, target, context);
    }
    // A failure on the COM port or over USB, in this system's words.
    if (route && route->path == Path::com && o.ending == Ending::download && o.failed())
        explain_com_failure(*session->host, *port, o);
    else if (route && failed_over_usb(*route, o))
        session->host->explain_usb_failure(o.reason, o.hint);
    finish_session(*session, o, context);
}

void add_transfer(CLI::App& app, Context& context, Transfer kind, const char* name, const char* description,
                  const std::string& example) {
    auto t = std::make_shared<TransferOptions>();
    CLI::App* command = app.add_subcommand(name, description);
    command->footer("Example:\n  " + example + "\n");
    const std::string example_port = keyboard_host().example_port();
    command->add_option("IMAGE", t->image, "Configuration image file")->required()->check(refuse_empty_name);
    if (kind != Transfer::upload)
        command->add_option("--port", t->port, "Port text for the library: USB, AT, " + example_port +
                                                   ":9600,N,8,1, " + example_port + " (search)");
    command->add_flag("--usb", t->usb, "Over USB (short for --port USB)");
    command->add_option("--interface", t->interface_name, "Path to choose first")
        ->transform(CLI::IsMember(kInterfaceNames, CLI::ignore_case));
    if (kind == Transfer::download)
        command->add_flag("--no-verify", t->no_verify, "Do not read the image back after the download");
    if (kind != Transfer::upload)
        command->add_flag("--force", t->force, "Send an image even when the file is shorter than its end field says");
    keyboard_host().add_options(*command);
    command->callback([kind, t, &context] { run_transfer(kind, *t, context); });
}

}  // namespace

void add_transfer_commands(CLI::App& app, Context& context) {
    add_transfer(app, context, Transfer::download, "download",
                 "Send IMAGE into the keyboard (kbp_download), then read it back and compare",
                 "kbptool download examples/sample.kbp --port " + keyboard_host().example_port() + ":9600,N,8,1");
    add_transfer(app, context, Transfer::upload, "upload", "Read the keyboard's image into IMAGE (kbp_upload)",
                 "kbptool upload backup.kbp --usb");
    add_transfer(app, context, Transfer::verify, "verify",
                 "Download IMAGE, read it back and compare bytes 4..end; fails where it cannot be read back",
                 "kbptool verify examples/sample.kbp");
}

}  // namespace kbptool
