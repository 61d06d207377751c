// download, upload and verify: the library's two transfer calls with the
// checks a technician needs around them, on the command line.
#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "commands/gang.h"
#include "commands/record.h"
#include "files/image.h"
#include "files/sha256.h"
#include "include/kbp_protocol.h"
#include "output/interrupt.h"
#include "output/progress.h"
#include "output/text.h"

namespace kbptool {
namespace {

constexpr char kNoComReadBack[] = "an upload has no COM path, and no USB keyboard answers to read the image back";

std::string hex_byte(std::optional<std::uint8_t> byte) { return byte ? hex_text(*byte, 2) : "none"; }

// What an upload of the downloaded image got back, compared over the bytes
// both the file and the read-back hold.
struct ReadBack {
    bool tried = false;  // false: no path could read it back (after a COM download, no USB keyboard answered)
    bool read = false;
    LibraryCall call;
    std::optional<Difference> difference;
    unsigned compared_end = 0;
};

ReadBack read_back(const Library& library, const Route& route, const Bytes& image, const Context& context) {
    ReadBack back;
    back.compared_end = std::min<unsigned>(read_back_end(image), unsigned(image.size() - 1));
    // No upload is tried where no keyboard can answer it: it would end in its box.
    if (!(back.tried = choose_read_back_path(library, route))) return back;
    const std::string file = temporary_image_path("kbptool-read-back");
    back.call = call_upload(library, route, file, long(read_back_end(image)) + 1, context, "read back");
    Bytes got;
    FileError ignored;
    back.read = back.call.result > 0 && back.call.file_error.empty() && read_regular_file(file, got, ignored);
    remove_file(file);
    got.resize(std::min<std::size_t>(got.size(), back.compared_end + 1));
    if (back.read) back.difference = first_difference(Bytes(image.begin(), image.begin() + back.compared_end + 1), got);
    return back;
}

// The library's download, into an outcome that names the command, file and path.
void send_image(const Library& library, Outcome& o, const Route& route, const Bytes& image, const Context& context) {
    on_interrupt_say(o, "the keyboard may now hold part of the image: download it again");
    const LibraryCall call = call_download(library, route, o.file, long(image.size()), context);
    on_interrupt_say(o, "");
    if (file_failed(o, call)) return;
    o.result = call.result;
    o.raw_text = call.status;
    o.seconds = call.seconds;
    o.exit = download_exit(call.result);
    o.extra.number("sent", long(call.last.bytes_sent));
    // The route as it turned out: the settings the library set up are the ones used.
    Route used = route;
    if (route.path == Path::com) {
        const std::string found = call.last.line_settings;
        if (!found.empty()) used.settings = found;
        o.path = used.name();
        o.extra.text("settings", used.settings);
        if (call.result > 0 || !found.empty()) o.lines.push_back("line settings used: " + o.path);
    }
    if (call.result > 0) {
        o.bytes = call.result;
        return;
    }
    const Failure why = explain_download(library, call, used, long(image.size()) - KBP_IMAGE_FIRST_ADDRESS);
    // The tool's words replace the library's text: it is still shown.
    if (!why.text.empty() && call.status != route.port_text && !trimmed(call.status).empty())
        o.lines.push_back("the library's text: " + trimmed(call.status));
    o.fail(o.exit, why);
}

// Where the end field and the file's size disagree; with the addresses the
// read-back compares when there is one.
void warn_of_end_field(Outcome& o, const Bytes& image, bool reads_back, const Context& context) {
    const std::string compared =
        reads_back ? "; the read-back compares addresses 4.." +
                         std::to_string(std::min<std::size_t>(read_back_end(image), image.size() - 1))
                   : "";
    if (const std::string cut = cut_short(image); !cut.empty())
        warn(o, cut + ": sent as it is (--force), so the keyboard takes addresses " + std::to_string(image.size()) +
                    ".." + std::to_string(*stored_end(image)) + " from what its memory held" + compared,
             context.output);
    else if (const std::string past = runs_past_end(image); !past.empty())
        warn(o, past + compared, context.output);
}

// Why an upload cannot read the image back once downloaded; empty when it can.
std::string why_no_read_back(const Bytes& image, bool usb) {
    const unsigned end = read_back_end(image);
    if (end <= max_upload_end(usb)) return {};
    return "the image ends at address " + std::to_string(end) + ", past " + std::to_string(max_upload_end(usb)) +
           ", the last address an upload can read" + (usb ? " over USB" : "");
}

// Checks before anything is sent: the image can be read and is one a
// download takes (and, to verify, one an upload can read back).
bool check_image(const TransferOptions& t, const kbp_port_text& port, Command command, Bytes& image,
                 Outcome& refusal) {
    refusal = Outcome(command, t.image);
    FileError error;
    std::uintmax_t size = 0;
    if (!read_image_file(t.image, image, error, size)) {
        refusal.fail(ExitCode::image_unreadable,
                     {"cannot read the image " + t.image, describe(error), "check the file's name and rights"});
        return false;
    }
    const std::string why = download_refusal(image);
    // A COM download is read back over USB too.
    Failure ignored;
    const bool usb = t.usb || port.path == KBP_PORT_USB || port.path == KBP_PORT_SERIAL ||
                     interface_on_host(t.interface_name, true, ignored) == KBP_INTERFACE_USB;
    const std::string cut = t.force ? "" : cut_short(image);
    const std::string no_read_back = command == Command::verify ? why_no_read_back(image, usb) : "";
    if (!why.empty())
        refusal.fail(ExitCode::not_an_image,
                     {t.image + " is not a valid image", why + " (the file has " + std::to_string(size) + " bytes)",
                      "a configuration image begins with \"" KBP_IMAGE_MAGIC "\" and has " +
                          std::to_string(kMinImageSize) + ".." + std::to_string(kMaxImageSize) +
                          " bytes: see `kbptool info`"});
    else if (!cut.empty())
        refusal.fail(ExitCode::not_an_image, {t.image + " is cut short: nothing was sent", cut,
                                              "copy the whole image again; --force sends it as it is"});
    else if (!no_read_back.empty())
        refusal.fail(ExitCode::cannot_read_back,
                     {"this image cannot be verified", no_read_back,
                      "download it with `kbptool download` (it then says so and skips the read-back)"});
    return !refusal.failed();
}

// Where an upload may write, checked before anything is asked of the keyboard.
bool check_output(const TransferOptions& t, std::string& target, Outcome& refusal) {
    refusal = Outcome(Command::upload, t.image);
    FileError error;
    if (resolve_output(t.image, target, error) && check_writable(target, target + ".part", error)) return true;
    refusal.fail(ExitCode::file_error,
                 {"cannot write the image to " + t.image, describe(error),
                  "name a regular file (new or to be replaced) in a folder that exists and that you may write"});
    return false;
}

// The download, then the read-back of the image and its comparison: for
// `download` unless --no-verify or it cannot be read back (then it says so),
// for `verify` always, failing where it cannot be.
Outcome download(const Library& library, const TransferOptions& t, const Route& route, const Bytes& image,
                 const Context& context, Command command) {
    const bool verifying = command == Command::verify;
    Outcome o(command, t.image);
    o.path = route.name();
    // verify has refused an image it cannot read back.
    const std::string impossible = t.no_verify ? "" : why_no_read_back(image, route.usb_chunks());
    if (!impossible.empty()) warn(o, impossible + ": it is downloaded without the read-back check", context.output);
    warn_of_end_field(o, image, !t.no_verify && impossible.empty(), context);
    send_image(library, o, route, image, context);
    const auto verified = [&o, verifying](bool yes) -> Outcome& {
        if (!verifying) o.extra.flag("verified", yes);
        return o;
    };
    if (o.failed()) return verified(false);
    o.text = std::to_string(o.bytes) + " bytes sent over " + path_phrase(o.path);
    if (t.no_verify || !impossible.empty()) return verified(false);

    const ReadBack back = read_back(library, route, image, context);
    o.seconds += back.call.seconds;
    if (file_failed(o, back.call)) return verified(false);
    const std::string no_read_back = route.no_usb_read_back.empty() ? kNoComReadBack : route.no_usb_read_back;
    if (!back.tried && !verifying) {
        warn(o, no_read_back + ": it was sent without the read-back check", context.output);
        return verified(false);
    }
    if (!back.tried)
        return o.fail(ExitCode::read_back_failed,
                      {"the image was sent, but it cannot be read back", no_read_back,
                       "connect the keyboard's USB cable too (with several USB keyboards, name it with --device)"});
    if (verifying) o.result = back.call.result;
    if (!back.read) {
        Failure why = explain_upload(back.call, route, true);
        o.raw_text = back.call.status;
        const std::string over = path_phrase(route.upload_name());
        if (verifying) {
            why.text = "the image was sent, but reading it back over " + over + " failed";
            return o.fail(upload_exit(back.call.result), why);
        }
        why.text = "the image was sent but cannot be read back over " + over + " (" + trimmed(back.call.status) + ")";
        if (!facts_of(route.path).acknowledged)
            why.reason += "; on this path the blocks await no acknowledge, so the keyboard may hold only part of the "
                          "image, or none of it";
        why.hint += "; --no-verify skips the read-back";
        return verified(false).fail(ExitCode::read_back_failed, why);
    }
    if (verifying) o.raw_text.clear();
    if (const std::optional<Difference> d = back.difference)
        return verified(false).fail(
            ExitCode::differs,
            {"the keyboard holds other bytes: first difference at address " + hex_text(unsigned(d->address), 4) +
                 ", image " + hex_byte(d->in_image) + ", keyboard " + hex_byte(d->in_keyboard),
             "", verifying ? "" : "download the image again; if it differs again, " + cable_hint(route, true)});
    const std::string range = "4.." + std::to_string(back.compared_end);
    o.text = verifying ? "keyboard bytes " + range + " match the image"
                       : o.text + "; read back and verified (addresses " + range + ")";
    return verified(true);
}

// Why what an upload read is no image (a blank or erased keyboard's memory,
// whose end field names no image end the upload could read to); empty when it is one.
std::string why_no_image_read(const std::string& file) {
    Bytes read;
    FileError ignored;
    std::uintmax_t size = 0;
    if (!read_image_file(file, read, ignored, size)) return {};
    const std::optional<unsigned> end = stored_end(read);
    if (end && *end >= KBP_UPLOAD_SMALLEST_END) return {};
    return "its end field (" + end_field_bytes() + ") says " + (end ? std::to_string(*end) : std::string("nothing")) +
           ", below " + std::to_string(KBP_UPLOAD_SMALLEST_END) + ": its memory is blank or erased";
}

// Into `target` (the output as check_output gave it) through `target.part`.
Outcome upload(const Library& library, const TransferOptions& t, const Route& route, const std::string& target,
               const Context& context) {
    Outcome o(Command::upload, t.image);
    o.path = route.upload_name();
    const std::string partial = target + ".part";
    struct Leftover {  // gone in every case: moved into place, or removed
        const std::string& file;
        ~Leftover() { remove_file(file); }
    } leftover{partial};
    on_interrupt_say(o, t.image + " is left as it was");
    const LibraryCall call = call_upload(library, route, partial, 0, context, "upload");
    on_interrupt_say(o, "");
    FileError error;
    if (file_failed(o, call)) return o;
    o.result = call.result;
    o.raw_text = call.status;
    o.seconds = call.seconds;
    if (call.result <= 0) {
        Failure why = explain_upload(call, route, false);
        if (call.last.cause == KBP_CAUSE_FILE_NOT_WRITTEN)
            if (const std::string system = why_cannot_write(partial, max_upload_end(false) + 1); !system.empty())
                why.reason += ": " + system;
        return o.fail(upload_exit(call.result), why);
    }
    if (const std::string blank = why_no_image_read(partial); !blank.empty())
        return o.fail(ExitCode::upload_failed,
                      {"the keyboard holds no image: nothing was written to " + t.image, blank,
                       "download an image into it first; if it had one, check the keyboard and read it again"});
    if (!move_into_place(partial, target, error))
        return o.fail(ExitCode::file_error, {"cannot put the image in place of " + target, describe(error), ""});
    o.bytes = call.result + 1L;
    o.text = std::to_string(o.bytes) + " bytes received over " + path_phrase(o.path) + ", image end " +
             std::to_string(call.result) + ", into " + t.image;
    if (target != t.image) o.lines.push_back("written through the link " + t.image + " to " + target);
    o.extra.number("image_end", long(call.result));
    return o;
}

// The record of one transfer that ran, where --log asks for it.
void keep_record(const TransferOptions& t, const std::string& device, const Bytes& image, const std::string& written,
                 Outcome& o, const Context& context) {
    if (t.log.empty()) return;
    Bytes file = image;
    FileError ignored;
    if (!written.empty() && (o.failed() || !read_regular_file(written, file, ignored))) file.clear();
    append_record(t.log, record_line(outcome_json(o), {device, file.empty() ? "" : sha256_hex(file)}), o,
                  context.output);
}

// Whether the keyboard a COM download goes to can be read back (over USB:
// one keyboard there, or the one --device names, takes a byte), asked before
// anything is sent; the path for the download is the library's choice again.
bool com_read_back_possible(const Library& library, const Route& route) {
    const bool possible = choose_read_back_path(library, route);
    library.set_interface(KBP_INTERFACE_AUTOMATIC);
    return possible;
}

Failure no_com_verify(const Route& route) {
    return {"this image cannot be verified over " + route.name() + ": nothing was sent",
            route.no_usb_read_back.empty() ? kNoComReadBack : route.no_usb_read_back,
            "connect the keyboard's USB cable too (with several USB keyboards, name it with --device), or download it "
            "with `kbptool download`, which says so and skips the read-back"};
}

// Where a COM download among other keyboards is not read back over USB; empty: it may be.
std::string why_not_over_usb(const TransferOptions& t, const KeyboardChoice& choice) {
    if (t.worker) return "a serial keyboard programmed among several is not read back over USB, whose keyboards are others";
    if (choice.device.empty() && choice.present > 1)
        return std::to_string(choice.present) +
               " keyboards are on USB and --device names none: which of them is this one cannot be told";
    return {};
}

void run_transfer(Command command, TransferOptions t, Context& context) {
    const bool takes_port = command != Command::upload;
    if (t.all || t.ports.size() + t.devices.size() > 1) {
        if (takes_port) return run_several(command, t, context);
        if (const std::optional<Outcome> refusal = one_device_only(command, t.devices)) return end_with(*refusal, context);
    }
    if (!t.ports.empty()) t.port = port_text_of(t.ports.front());
    const std::string named = t.devices.empty() ? "" : t.devices.front();
    // A keyboard named by its USB device is reached over USB.
    if (!named.empty()) t.usb = true;
    if (t.worker) report_progress_as_lines();
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
    if (std::string error; !t.log.empty() && !host::check_log(t.log, error))
        return end_with(refusal.fail(ExitCode::file_error, log_refusal(error)), context);
    if (!prepare_keyboard(command, context)) return;

    std::optional<Route> route = choose_route(*library, t, port);
    Outcome o(command);
    std::optional<KeyboardChoice> choice;
    if (!route) {
        o.fail(ExitCode::failed, {"the library refuses the interface " + t.interface_name, "", ""});
    } else if (choice = choose_keyboard(*library, named,
                                        route->path == Path::usb || (!takes_port && route->upload_path == Path::usb), o);
               !choice) {
        o.file = t.image;
    } else if (const std::optional<Failure> refused = route->path == Path::com ? host::port_refusal(port)
                                                                               : std::nullopt) {
        o.file = t.image;
        o.path = route->name();
        o.fail(ExitCode::com_port_failed, *refused);
        if (takes_port) o.extra.number("sent", 0L);
    } else {
        if (route->path == Path::com) route->no_usb_read_back = why_not_over_usb(t, *choice);
        if (command == Command::verify && route->path == Path::com && !com_read_back_possible(*library, *route)) {
            o.file = t.image;
            o.path = route->name();
            o.fail(ExitCode::cannot_read_back, no_com_verify(*route));
            o.extra.number("sent", 0L);
            return finish(o, context);
        }
        o = command == Command::upload ? upload(*library, t, *route, target, context)
                                       : download(*library, t, *route, image, context, command);
        mark_interrupted(o);
        keep_record(t, route->path == Path::com ? route->com_port : choice->device.empty() ? "USB" : choice->device,
                    image, command == Command::upload ? target : "", o, context);
    }
    finish(o, context);
}

void add_transfer(CLI::App& app, Context& context, Command command, const std::string& description,
                  const std::string& example, const std::string& notes = "") {
    auto t = std::make_shared<TransferOptions>();
    CLI::App* sub = add_command(app, command, description, example, notes);
    const std::string port = host::facts().example_port;
    const bool several = command != Command::upload;
    sub->add_option("IMAGE", t->image, "Configuration image file")->required()->check(refuse_empty_name);
    if (several)
        sub->add_option("--port", t->ports, "Port text for the library: USB, AT, " + port + ":9600,N,8,1, " + port +
                                                " (search); again for each further keyboard")
            ->allow_extra_args(false);
    sub->add_option("--device", t->devices,
                    std::string("The USB keyboard: its device or its number, as `kbptool detect` lists them") +
                        (several ? "; again for each further keyboard" : ""))
        ->allow_extra_args(false);
    if (several) sub->add_flag("--all", t->all, "Every USB keyboard detect finds, and every --port, at once");
    sub->add_option("--log", t->log, "Append a JSON line per keyboard to this record of transfers")
        ->check(refuse_empty_name);
    sub->add_flag("--worker", t->worker)->group("");  // a kbptool that programs several keyboards runs this one
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
    const std::string several_notes =
        "Several keyboards at once: --port or --device given more than once, or --all; one worker\n"
        "process per keyboard, a summary line each; the exit code is the highest of the keyboards'.\n";
    add_transfer(app, context, Command::download,
                 "Send IMAGE into the keyboard (kbp_download), then read it back and compare",
                 "kbptool download examples/sample.kbp --port " + host::facts().example_port + ":9600,N,8,1",
                 several_notes);
    add_transfer(app, context, Command::upload, "Read the keyboard's image into IMAGE (kbp_upload)",
                 "kbptool upload backup.kbp --usb");
    add_transfer(app, context, Command::verify,
                 "Download IMAGE, read it back and compare bytes 4..end; fails where it cannot be read back",
                 "kbptool verify examples/sample.kbp", several_notes);
}
}  // namespace kbptool
