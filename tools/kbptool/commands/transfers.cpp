#include "commands/transfers.h"

#include <cstdio>

#include "commands/failure_words.h"
#include "commands/library_calls.h"
#include "include/kbp_protocol.h"
#include "kbpi32/common/texts.h"
#include "output/exit_codes.h"
#include "output/interrupt.h"
#include "output/readable_text.h"

namespace kbptool {

namespace {

constexpr char kNoComReadBack[] = "an upload has no COM path, and no USB keyboard answers to read the image back";

// Paths that hand a block on without the keyboard's acknowledge.
bool awaits_no_acknowledge(Path path) { return path == Path::port_driver || path == Path::usb; }

std::string hex_byte(std::optional<std::uint8_t> byte) { return byte ? hex_text(*byte, 2) : "none"; }

// What an upload of the downloaded image got back, compared over the bytes
// both the file and the read-back hold.
struct ReadBack {
    bool tried = true;  // false: no path could read it back (after a COM download, no USB keyboard answered)
    bool read = false;
    LibraryCall call;
    std::optional<Difference> difference;
    unsigned compared_end = 0;
};

ReadBack read_back(Session& session, const Route& route, const Bytes& image, const Context& context) {
    ReadBack back;
    back.compared_end = std::min<unsigned>(read_back_end(image), unsigned(image.size() - 1));
    // No upload is tried where no keyboard can answer it: it would end in its box.
    back.tried = choose_read_back_path(session.library, route);
    if (!back.tried) return back;
    const std::string file = temporary_image_path("kbptool-read-back");
    back.call = call_upload(session, route, file, long(read_back_end(image)) + 1, context, "read back");
    Bytes got;
    FileError ignored;
    back.read = back.call.result > 0 && back.call.file_error.empty() && read_regular_file(file, got, ignored);
    remove_file(file);
    if (!back.read) return back;
    const Bytes compared_image(image.begin(), image.begin() + back.compared_end + 1);
    if (got.size() > compared_image.size()) got.resize(compared_image.size());
    back.difference = first_difference(compared_image, got);
    return back;
}

std::string difference_text(const Difference& d) {
    return "the keyboard holds other bytes: first difference at address " + hex_text(unsigned(d.address), 4) + ", image " +
           hex_byte(d.in_image) + ", keyboard " + hex_byte(d.in_keyboard);
}

Outcome started(const std::string& command, const TransferOptions& t, const Route& route) {
    Outcome o;
    o.command = command;
    o.file = t.image;
    o.path = route.name();
    return o;
}

// The library's download, into an outcome begun with `started`.
void send_image(Session& session, Outcome& o, const TransferOptions& t, const Route& route, const Bytes& image,
                const Context& context) {
    on_interrupt_say(o.command, "the keyboard may now hold part of the image: download it again");
    const LibraryCall call = call_download(session, route, t.image, long(image.size()), context);
    on_interrupt_say(o.command, "");
    if (file_failed(o, call)) return;
    o.result = call.result;
    o.raw_text = call.status;
    o.seconds = call.seconds;
    o.ending = Ending::download;
    const Written written = written_by(call, route, long(image.size()));
    o.extra.number("sent", written.bytes);
    // The route as it turned out: the settings the search found are the ones used.
    Route used = route;
    if (route.path == Path::com) {
        const std::string found = last_settings_found();
        if (!found.empty()) used.settings = found;
        o.path = used.name();
        o.extra.text("settings", used.settings);
        if (call.result > 0 || !found.empty()) o.lines.push_back("line settings used: " + o.path);
    }
    if (call.result > 0) {
        o.bytes = call.result;
        return;
    }
    const Explanation why = explain_download(call.result, call.status, used, written);
    o.text = why.happened;
    // The tool's words replace the library's text: it is still shown.
    if (!o.text.empty() && call.status != route.port_text && !trimmed(call.status).empty())
        o.lines.push_back("the library's text: " + trimmed(call.status));
    o.reason = why.reason;
    o.hint = why.hint;
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
    const unsigned limit = max_upload_end(usb);
    if (end <= limit) return {};
    return "the image ends at address " + std::to_string(end) + ", past " + std::to_string(limit) +
           ", the last address an upload can read" + (usb ? " over USB" : "");
}

// Whether the read-back of a download takes 8-byte chunks (USB).
bool reads_back_over_usb(const TransferOptions& t) {
    MissingPath ignored;
    const std::optional<int> kind = interface_on_host(keyboard_host(), t.interface_name, ignored);
    // After a COM download without a path named, the read-back takes USB.
    const bool com_read_back = path_of_port_text(t.port) == Path::com && kind == KBP_INTERFACE_AUTOMATIC;
    return t.usb || path_of_port_text(t.port) == Path::usb || com_read_back || kind == kind_of_path(Path::usb);
}

}  // namespace

bool check_image(const TransferOptions& t, const std::string& command, Bytes& image, Outcome& refusal) {
    refusal.command = command;
    refusal.file = t.image;
    FileError error;
    if (!read_regular_file(t.image, image, error)) {
        refusal.text = "cannot read the image " + t.image;
        refusal.reason = describe(error);
        refusal.hint = "check the file's name and rights";
        refusal.ending = Ending::image_unreadable;
        return false;
    }
    const std::string why = download_refusal(image);
    const std::string cut = t.force ? "" : cut_short(image);
    if (why.empty() && !cut.empty()) {
        refusal.text = t.image + " is cut short: nothing was sent";
        refusal.reason = cut;
        refusal.hint = "copy the whole image again; --force sends it as it is";
        refusal.ending = Ending::not_an_image;
        return false;
    }
    const std::string no_read_back = command == "verify" ? why_no_read_back(image, reads_back_over_usb(t)) : "";
    if (why.empty() && !no_read_back.empty()) {
        refusal.text = "this image cannot be verified";
        refusal.reason = no_read_back;
        refusal.hint = "download it with `kbptool download` (it then says so and skips the read-back)";
        refusal.ending = Ending::cannot_read_back;
        return false;
    }
    if (why.empty()) return true;
    refusal.text = t.image + " is not a valid image";
    refusal.reason = why + " (the file has " + std::to_string(image.size()) + " bytes)";
    refusal.hint = "a configuration image begins with \"" KBP_IMAGE_MAGIC "\" and has " + std::to_string(kMinImageSize) +
                   ".." + std::to_string(kMaxImageSize) + " bytes: see `kbptool info`";
    refusal.ending = Ending::not_an_image;
    return false;
}

Outcome download(Session& session, const TransferOptions& t, const Route& route, const Bytes& image,
                 const Context& context) {
    Outcome o = started("download", t, route);
    const std::string impossible = t.no_verify ? "" : why_no_read_back(image, route.usb_chunks());
    if (!impossible.empty()) warn(o, impossible + ": it is downloaded without the read-back check", context.output);
    warn_of_end_field(o, image, !t.no_verify && impossible.empty(), context);
    send_image(session, o, t, route, image, context);
    const auto verified = [&o](bool yes) -> Outcome& {
        o.extra.flag("verified", yes);
        return o;
    };
    if (o.failed()) return verified(false);
    o.text = std::to_string(o.bytes) + " bytes sent over " + path_phrase(o.path);
    if (t.no_verify || !impossible.empty()) return verified(false);

    const ReadBack back = read_back(session, route, image, context);
    o.seconds += back.call.seconds;
    if (file_failed(o, back.call)) return verified(false);
    if (!back.tried) {
        warn(o, std::string(kNoComReadBack) + ": it was sent without the read-back check", context.output);
        return verified(false);
    }
    if (!back.read) {
        const std::string failed = "the image was sent but cannot be read back over " +
                                   path_phrase(route.upload_name()) + " (" + trimmed(back.call.status) + ")";
        const Explanation why = explain_upload(back.call.status, back.call.boxes, route, true);
        o.raw_text = back.call.status;
        o.text = failed;
        o.reason = why.reason + (awaits_no_acknowledge(route.path)
                                     ? "; on this path the blocks await no acknowledge, so the keyboard may hold only "
                                       "part of the image, or none of it"
                                     : "");
        o.hint = why.hint + "; --no-verify skips the read-back";
        o.ending = Ending::read_back_failed;
        return verified(false);
    }
    if (back.difference) {
        o.text = difference_text(*back.difference);
        o.hint = "download the image again; if it differs again, " + cable_hint(route, true);
        o.ending = Ending::differs;
        return verified(false);
    }
    o.text += "; read back and verified (addresses 4.." + std::to_string(back.compared_end) + ")";
    return verified(true);
}

Outcome verify(Session& session, const TransferOptions& t, const Route& route, const Bytes& image,
               const Context& context) {
    Outcome sent = started("verify", t, route);
    warn_of_end_field(sent, image, true, context);
    send_image(session, sent, t, route, image, context);
    if (sent.failed()) return sent;
    const ReadBack back = read_back(session, route, image, context);
    sent.seconds += back.call.seconds;
    if (file_failed(sent, back.call)) return sent;
    if (!back.tried) {
        sent.text = "the image was sent, but it cannot be read back";
        sent.reason = kNoComReadBack;
        sent.hint = "connect the keyboard's USB cable too, or name the path to read it back over with --interface";
        sent.ending = Ending::read_back_failed;
        return sent;
    }
    if (!back.read) {
        const Explanation why = explain_upload(back.call.status, back.call.boxes, route, true);
        sent.result = back.call.result;
        sent.raw_text = back.call.status;
        sent.text = "the image was sent, but reading it back over " + path_phrase(route.upload_name()) + " failed";
        sent.reason = why.reason;
        sent.hint = why.hint;
        sent.ending = Ending::upload;
        return sent;
    }
    sent.result = back.call.result;
    sent.raw_text.clear();
    if (back.difference) {
        sent.text = difference_text(*back.difference);
        sent.ending = Ending::differs;
    } else {
        sent.text = "keyboard bytes 4.." + std::to_string(back.compared_end) + " match the image";
    }
    return sent;
}

Outcome upload(Session& session, const TransferOptions& t, const Route& route, const std::string& target,
               const Context& context) {
    Outcome o = started("upload", t, route);
    o.path = route.upload_name();
    const std::string partial = target + ".part";
    on_interrupt_say("upload", t.image + " is left as it was");
    const LibraryCall call = call_upload(session, route, partial, 0, context, "upload");
    on_interrupt_say("upload", "");
    if (file_failed(o, call)) {
        remove_file(partial);
        return o;
    }
    o.result = call.result;
    o.raw_text = call.status;
    o.seconds = call.seconds;
    o.ending = Ending::upload;
    if (o.failed()) {
        const Explanation why = explain_upload(call.status, call.boxes, route, false);
        o.reason = why.reason;
        o.hint = why.hint;
        remove_file(partial);
        const std::string_view cannot_write = kbp::text::kCantWriteFile;
        if (call.status.find(cannot_write.substr(0, cannot_write.find('%'))) != std::string::npos)
            if (const std::string system = why_cannot_write(partial, max_upload_end(false) + 1); !system.empty())
                o.reason += ": " + system;
        return o;
    }
    FileError error;
    if (!move_into_place(partial, target, error)) {
        remove_file(partial);
        o.text = "cannot put the image in place of " + target;
        o.reason = describe(error);
        o.ending = Ending::file_error;
        return o;
    }
    o.bytes = call.result + 1L;
    o.text = std::to_string(o.bytes) + " bytes received over " + path_phrase(o.path) + ", image end " +
             std::to_string(call.result) + ", into " + t.image;
    if (target != t.image) o.lines.push_back("written through the link " + t.image + " to " + target);
    o.extra.number("image_end", long(call.result));
    return o;
}

}  // namespace kbptool
