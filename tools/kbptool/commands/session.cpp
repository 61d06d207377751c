#include "commands/session.h"

#include <vector>

#include "commands/keyboards.h"
#include "files/image.h"
#include "include/kbp_protocol.h"
#include "output/interrupt.h"
#include "output/progress.h"

namespace kbptool {
namespace {

// A file of the person's as the library is given it, by a name the host may
// have made for it; that name is finished when this ends.
struct GivenFile {
    GivenFile(std::string persons_file, bool reads) : file(std::move(persons_file)) {
        given = host::give_file(file, reads, name, error);
        if (!given && error.empty()) error = "the library cannot be given " + file;
    }
    ~GivenFile() { finish(false); }
    // What the library wrote, put under the file's own name.
    bool finish(bool keep) {
        if (!given) return error.empty();
        given = false;
        if (host::take_file(name, file, keep, error)) return true;
        if (error.empty()) error = "the library's file cannot be put in place of " + file;
        return false;
    }
    std::string file, name, error;
    bool given = false;
};

bool progress_shown(const Context& c) { return !c.output.quiet && !c.output.json; }

template <typename Transfer>
LibraryCall call(const Library& library, Transfer transfer, const GivenFile& given, const std::string& port_text,
                 Progress& progress, bool result_is_image_end = false) {
    std::vector<char> status = status_buffer(port_text, given.name);
    const int result = transfer(given.name.c_str(), status.data(), &Progress::callback);
    progress.finish(result_is_image_end && result > 0 ? long(result) + 1 : 0);
    LibraryCall done{result, status.data(), progress.seconds(), {}, ""};
    library.last_transfer(&done.last);
    return done;
}
}  // namespace

std::vector<char> status_buffer(const std::string& port_text, const std::string& file) {
    // The library's texts are short but for the file or device they quote.
    std::vector<char> status(port_text.size() + file.size() + 1024, '\0');
    port_text.copy(status.data(), port_text.size());
    return status;
}

std::optional<KeyboardChoice> choose_keyboard(const Library& library, const std::string& named, bool uses_usb,
                                              Outcome& o) {
    const std::vector<UsbKeyboard> keyboards = usb_keyboards(library);
    KeyboardChoice choice{keyboards.size() == 1 ? keyboards.front().path : "", keyboards.size()};
    Failure refusal;
    if (named.empty()) {
        if (!uses_usb || keyboards.size() < 2) return choice;
        o.fail(ExitCode::usage, several_keyboards(keyboards));
        return std::nullopt;
    }
    const std::optional<UsbKeyboard> keyboard = keyboard_named(named, keyboards, refusal);
    if (!keyboard) {
        o.fail(ExitCode::usage, refusal);
        return std::nullopt;
    }
    std::string error;
    if (!host::choose_usb_device(keyboard->path, error)) {
        o.fail(ExitCode::no_library, {"cannot choose the keyboard " + keyboard->path, error, ""});
        return std::nullopt;
    }
    choice.device = keyboard->path;
    return choice;
}

std::optional<Outcome> one_device_only(Command command, const std::vector<std::string>& devices) {
    if (devices.size() < 2) return std::nullopt;
    Outcome o(command);
    return o.fail(ExitCode::usage, {"--device is given " + std::to_string(devices.size()) + " times",
                                    std::string(command_word(command)) + " talks to one keyboard",
                                    "name one keyboard; download and verify program several at once"});
}

void end_with(const Outcome& outcome, Context& context) { context.exit_code = report(outcome, context.output); }

std::optional<Library> load_library(Command command, Context& context) {
    Library library;
    Outcome o(command);
    Failure failure;
    if (host::load(library, failure)) return library;
    end_with(o.fail(ExitCode::no_library, failure), context);
    return std::nullopt;
}

bool prepare_keyboard(Command command, Context& context) {
    std::string error;
    if (host::prepare(context.answer(), context.output.quiet, error)) return true;
    end_with(Outcome(command).fail(ExitCode::no_library, {error, "", ""}), context);
    return false;
}

void finish(const Outcome& outcome, Context& context) {
    std::string error;
    Outcome shown = outcome;
    if (!host::keep(error) && !shown.failed())
        shown.fail(ExitCode::no_library, {outcome_text(outcome) + "; but the keyboard's memory is not kept", error, ""});
    else if (!error.empty())
        shown.warnings.push_back(error);
    // A signal that came while the library worked stopped its transfer: what it did is told, as interrupted.
    mark_interrupted(shown);
    end_with(shown, context);
    forget_interrupt();
    hold_interrupt(false);
}

LibraryCall call_download(const Library& library, const Route& route, const std::string& file, long size,
                          const Context& context) {
    const double block_seconds =
        plan_download(route.path, KBP_IMAGE_FIRST_ADDRESS + block_bytes(route.path), route.line_rate).wire_seconds;
    GivenFile given(file, true);
    if (!given.error.empty()) return {0, "", 0, {}, given.error};
    Progress progress("download", size, 0, progress_shown(context), [&] { host::step_done(block_seconds); });
    return call(library, library.download, given, route.port_text, progress);
}

LibraryCall call_upload(const Library& library, const Route& route, const std::string& file, long size,
                        const Context& context, const char* label) {
    const int chunk = int(upload_chunk(route.usb_chunks()));
    const double read_seconds = seconds_per_read(route.upload_path, chunk, route.line_rate);
    GivenFile given(file, false);
    if (!given.error.empty()) return {0, "", 0, {}, given.error};
    Progress progress(label, size, chunk, progress_shown(context), [&] { host::step_done(read_seconds); });
    LibraryCall done =
        call(library, library.upload, given, route.usb_chunks() ? KBP_PORT_TEXT_USB : "", progress, true);
    if (done.result > 0) done.status.clear();
    if (done.result > 0 && !given.finish(true)) done.file_error = given.error;
    return done;
}

bool file_failed(Outcome& o, const LibraryCall& call) {
    if (call.file_error.empty()) return false;
    o.fail(ExitCode::file_error, {call.file_error, "", ""});
    return true;
}
}  // namespace kbptool
