// download, upload and verify: the library's two transfer calls, with the
// file handling a technician needs around them.
#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "commands.h"
#include "exit_codes.h"
#include "image.h"
#include "progress.h"
#include "session.h"

namespace kbptool {

namespace {

struct TransferOptions {
    std::string image;
    std::string port;
    bool usb = false;
    std::string interface_name;
};

constexpr std::size_t kStatusSize = 1024;  // the library's texts may quote a file name

std::string port_text(const TransferOptions& t) { return t.usb ? "USB" : t.port; }

// The line rate of a port text such as COM1:19200,N,8,1; 9600 when it names none.
std::uint32_t line_rate(const std::string& port) {
    const std::size_t colon = port.find(':');
    if (colon == std::string::npos) return 9600;
    const unsigned long rate = std::strtoul(port.c_str() + colon + 1, nullptr, 10);
    return rate != 0 ? std::uint32_t(rate) : 9600;
}

Path path_of(const TransferOptions& t, const KeyboardHost& host) {
    if (t.usb || port_text(t).starts_with("USB")) return Path::usb;
    if (t.port.starts_with("COM")) return Path::com;
    const std::optional<int> kind = interface_kind(t.interface_name);
    if (kind && *kind >= 1 && *kind <= 4) return kAllPaths[*kind - 1];
    return host.default_path();
}

// Chooses the path when the command line names one; false when the library refuses.
bool choose_interface(const Session& session, const TransferOptions& t) {
    if (t.interface_name.empty()) return true;
    return session.library.set_interface(*interface_kind(t.interface_name)) == 0;
}

std::string download_meaning(int result) {
    static const char* const kMeanings[] = {
        "no image file was named", "the COM port cannot be opened or set up",
        "the port text names no COM port (a COM port text of an earlier call is kept until an empty one)",
        "the COM port cannot be closed", "the transfer stopped before the end of the image",
        "not a valid image: under 302 bytes, over 65536 bytes or no \"Kelm\"", "the image file cannot be opened"};
    return result < 0 && result >= -7 ? kMeanings[-result - 1] : "";
}

Outcome download(Session& session, const TransferOptions& t, const OutputOptions& output) {
    const Path path = path_of(t, *session.host);
    const double block_seconds = plan_download(path, 4 + block_bytes(path), line_rate(t.port)).wire_seconds;
    const std::optional<Bytes> image = read_file(t.image);
    Progress progress("download", image ? long(image->size()) : 0, !output.quiet && !output.json,
                      [&] { session.host->step_done(block_seconds); });
    char status[kStatusSize];
    std::snprintf(status, sizeof status, "%s", port_text(t).c_str());
    const int result = session.library.download(t.image.c_str(), status, &Progress::callback);
    progress.finish();
    return {"download", result,           status, result > 0 ? result : 0, progress.seconds(),
            exit_code::for_download(result), download_meaning(result)};
}

// Uploads into `file` directly; the caller owns what happens to it.
Outcome upload_into(Session& session, const TransferOptions& t, const std::string& file, const OutputOptions& output) {
    const Path path = path_of(t, *session.host);
    const double read_seconds = seconds_per_read(path, path == Path::usb ? 8 : 16, line_rate(t.port));
    Progress progress("upload", 0, !output.quiet && !output.json, [&] { session.host->step_done(read_seconds); });
    char status[kStatusSize];
    std::snprintf(status, sizeof status, "%s", t.usb ? "USB" : "");
    const int result = session.library.upload(file.c_str(), status, &Progress::callback);
    progress.finish();
    Outcome o{"upload", result, result > 0 ? "" : status, result > 0 ? result + 1L : 0, progress.seconds(),
              exit_code::for_upload(result), {}};
    if (result > 0) o.text = " " + std::to_string(result + 1) + " bytes received, image end " + std::to_string(result);
    return o;
}

// An upload never leaves a partial IMAGE: it lands beside it and is renamed on success.
Outcome upload(Session& session, const TransferOptions& t, const OutputOptions& output) {
    const std::string partial = t.image + ".part";
    Outcome o = upload_into(session, t, partial, output);
    if (o.exit_code == exit_code::kSuccess && !move_into_place(partial, t.image)) {
        o.exit_code = exit_code::kFileError;
        o.detail = "cannot rename " + partial + " to " + t.image;
    }
    std::remove(partial.c_str());
    return o;
}

std::string hex_byte(std::optional<std::uint8_t> byte) {
    if (!byte) return "none";
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", *byte);
    return text;
}

std::string temporary_image_name() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    return (std::filesystem::temp_directory_path() / ("kbptool-verify-" + std::to_string(stamp) + ".kbp")).string();
}

Outcome verify(Session& session, const TransferOptions& t, const OutputOptions& output) {
    Outcome sent = download(session, t, output);
    if (sent.exit_code != exit_code::kSuccess) return sent;
    const std::string read_back_file = temporary_image_name();
    Outcome read = upload_into(session, t, read_back_file, output);
    const std::optional<Bytes> read_back = read_file(read_back_file);
    std::remove(read_back_file.c_str());
    if (read.exit_code != exit_code::kSuccess) return read;
    const std::optional<Bytes> image = read_file(t.image);
    if (!image || !read_back) return {"verify", 0, "", 0, 0, exit_code::kFileError, "cannot read the images back"};
    Outcome o{"verify", read.result, "", long(image->size()), sent.seconds + read.seconds, exit_code::kSuccess, {}};
    if (const std::optional<Difference> d = first_difference(*image, *read_back)) {
        char text[128];
        std::snprintf(text, sizeof text, "differs at keyboard address 0x%04zX: image %s, keyboard %s", d->address,
                      hex_byte(d->in_image).c_str(), hex_byte(d->in_keyboard).c_str());
        o.text = text;
        o.exit_code = exit_code::kVerifyDiffers;
    } else {
        o.text = "keyboard bytes 4.." + std::to_string(image->size() - 1) + " match the image";
    }
    return o;
}

using Runner = Outcome (*)(Session&, const TransferOptions&, const OutputOptions&);

void add_transfer(CLI::App& app, Context& context, const char* name, const char* description, const char* example,
                  Runner run, bool with_port) {
    auto t = std::make_shared<TransferOptions>();
    CLI::App* command = app.add_subcommand(name, description);
    command->footer(std::string("Example:\n  ") + example + "\n");
    command->add_option("IMAGE", t->image, "Configuration image file")->required();
    if (with_port)
        command->add_option("--port", t->port, "Port text for the library: USB, AT, COM1:9600,N,8,1, ...");
    command->add_flag("--usb", t->usb, "Over USB (short for --port USB)");
    command->add_option("--interface", t->interface_name, "Path to choose first")
        ->check(CLI::IsMember({"auto", "ports", "class", "portdriver", "usb"}));
    add_keyboard_host_options(*command);
    command->callback([t, &context, run] {
        std::optional<Session> session = open_session(context.exit_code);
        if (!session) return;
        if (!choose_interface(*session, *t)) {
            complain("the library refuses the interface " + t->interface_name);
            context.exit_code = exit_code::kFailed;
            return;
        }
        const Outcome outcome = run(*session, *t, context.output);
        context.exit_code = report(outcome, context.output);
        if (!close_session(*session) && context.exit_code == 0) context.exit_code = exit_code::kNoLibrary;
    });
}

}  // namespace

void add_transfer_commands(CLI::App& app, Context& context) {
    add_transfer(app, context, "download", "Send IMAGE into the keyboard (kbp_download)",
                 "kbptool download examples/sample.kbp --port COM1:9600,N,8,1", download, true);
    add_transfer(app, context, "upload", "Read the keyboard's image into IMAGE (kbp_upload)",
                 "kbptool upload backup.kbp --usb", upload, false);
    add_transfer(app, context, "verify", "Download IMAGE, read it back and compare bytes 4..end",
                 "kbptool verify examples/sample.kbp", verify, true);
}

}  // namespace kbptool
