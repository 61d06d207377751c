#include "commands/gang.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "commands/keyboards.h"
#include "commands/record.h"
#include "files/image.h"
#include "files/sha256.h"
#include "output/interrupt.h"
#include "output/json_fields.h"
#include "output/progress.h"

namespace kbptool {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr int kBarWidth = 20;

struct Target {
    std::string named;   // --port's text, or the keyboard's device
    std::string device;  // the serial port, or the keyboard's HID device
    bool usb = false;
};

std::optional<std::vector<Target>> targets_of(const Library& library, Command command, const TransferOptions& t,
                                              Outcome& refusal) {
    const std::vector<UsbKeyboard> keyboards = usb_keyboards(library);
    std::vector<Target> targets;
    for (const std::string& text : t.ports) {
        TransferOptions one;
        one.port = port_text_of(text);
        kbp_port_text port{};
        if (!read_port_option(library, one, command, port, refusal)) return std::nullopt;
        if (port.path == KBP_PORT_SERIAL) {
            targets.push_back({text, port.port, false});
        } else if (port.path == KBP_PORT_USB && keyboards.size() == 1) {
            targets.push_back({keyboards.front().path, keyboards.front().path, true});
        } else {
            refusal.fail(ExitCode::usage,
                         {"--port " + text + " names no keyboard of its own among several",
                          "each keyboard is a serial port (--port) or a USB keyboard (--device); found on USB: " +
                              keyboards_listed(keyboards),
                          "name the USB keyboards with --device, or take them all with --all"});
            return std::nullopt;
        }
    }
    for (const std::string& text : t.devices) {
        Failure why;
        const std::optional<UsbKeyboard> keyboard = keyboard_named(text, keyboards, why);
        if (!keyboard) {
            refusal.fail(ExitCode::usage, why);
            return std::nullopt;
        }
        targets.push_back({keyboard->path, keyboard->path, true});
    }
    for (std::size_t i = 0; i < targets.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (host::same_device(targets[i].device, targets[j].device)) {
                refusal.fail(ExitCode::usage, {targets[j].named + " and " + targets[i].named + " are the same device",
                                               "each keyboard is programmed once", "name each keyboard once"});
                return std::nullopt;
            }
    if (t.all)
        for (const UsbKeyboard& k : keyboards)
            if (std::none_of(targets.begin(), targets.end(),
                             [&k](const Target& named) { return host::same_device(named.device, k.path); }))
                targets.push_back({k.path, k.path, true});
    if (targets.empty())
        refusal.fail(ExitCode::usage, {"--all finds no keyboard", keyboards_listed(keyboards) + ", and no --port names a serial one",
                                       "plug the keyboards in (`kbptool detect` lists what it finds), or name "
                                       "serial ones with --port"});
    return targets.empty() ? std::nullopt : std::optional(targets);
}

std::vector<std::string> worker_arguments(Command command, const TransferOptions& t, const Target& target,
                                          const Context& context) {
    std::vector<std::string> args{std::string(command_word(command)), t.image, "--json", "--worker"};
    args.insert(args.end(), {target.usb ? "--device" : "--port", target.named});
    if (!t.interface_name.empty()) args.insert(args.end(), {"--interface", t.interface_name});
    if (!t.log.empty()) args.insert(args.end(), {"--log", t.log});
    if (t.no_verify) args.emplace_back("--no-verify");
    if (t.force) args.emplace_back("--force");
    if (context.yes) args.emplace_back("--yes");
    if (context.no) args.emplace_back("--no");
    return args;
}

struct Running {
    Target target;
    std::unique_ptr<Worker> worker;
    std::string pending;  // output not yet a whole line
    std::string report;   // the worker's JSON report
    std::string label = "starting";
    int percent = 0;
    int tenth_shown = -1;
    bool ended = false;
    std::optional<int> exit;
    std::string death;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double seconds = 0;
};

// Takes what the worker printed: its progress lines, and the rest as its report.
void take_output(Running& r) {
    char buffer[4096];
    long n;
    while ((n = r.worker->read(buffer, sizeof buffer)) > 0) r.pending.append(buffer, std::size_t(n));
    for (std::size_t end; (end = r.pending.find('\n')) != std::string::npos; r.pending.erase(0, end + 1)) {
        const std::string line = r.pending.substr(0, end);
        const std::size_t space = line.rfind(' ');
        if (line.starts_with(kProgressLineStart) && space > sizeof kProgressLineStart - 1) {
            r.label = line.substr(sizeof kProgressLineStart - 1, space - (sizeof kProgressLineStart - 1));
            r.percent = std::atoi(line.c_str() + space + 1);
        } else if (line.starts_with("{")) {
            r.report = line;
        }
    }
    if (n < 0 && !r.ended) {
        r.ended = true;
        r.exit = r.worker->wait(r.death);
        r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - r.start).count();
    }
}

std::string progress_line(const Running& r, std::size_t width) {
    std::string name = r.target.device;
    name.resize(std::max(width, name.size()), ' ');
    if (r.ended) return name + "  " + (r.exit == 0 ? "done" : "ended");
    const int filled = std::clamp(r.percent, 0, 100) * kBarWidth / 100;
    char tail[64];
    std::snprintf(tail, sizeof tail, "] %3d%% %s", r.percent, r.label.c_str());
    return name + "  [" + std::string(std::size_t(filled), '#') + std::string(std::size_t(kBarWidth - filled), '.') +
           tail;
}

// On a terminal a line per keyboard, redrawn; elsewhere a line per tenth.
class GangProgress {
public:
    GangProgress(std::vector<Running>& running, const OutputOptions& output)
        : running_(running), shown_(!output.quiet && !output.json), terminal_(isatty(2) != 0) {
        for (const Running& r : running_) width_ = std::max(width_, r.target.device.size());
        if (shown_ && terminal_)
            for (const Running& r : running_) std::fprintf(stderr, "%s\n", progress_line(r, width_).c_str());
    }
    void show() {
        if (!shown_) return;
        if (terminal_) {
            std::fprintf(stderr, "\x1b[%zuA", running_.size());
            for (const Running& r : running_) std::fprintf(stderr, "\r%s\x1b[K\n", progress_line(r, width_).c_str());
            return;
        }
        for (Running& r : running_)
            if (const int tenth = r.ended ? 10 : r.percent / 10; tenth != r.tenth_shown && (r.ended || r.percent > 0)) {
                r.tenth_shown = tenth;
                std::fprintf(stderr, "%s\n", progress_line(r, width_).c_str());
            }
    }

private:
    std::vector<Running>& running_;
    bool shown_;
    bool terminal_;
    std::size_t width_ = 0;
};

// A worker that printed no report (killed, crashed, never started): a failed keyboard.
std::string report_of_lost_worker(Command command, const TransferOptions& t, const Running& r) {
    Outcome o(command, t.image);
    o.path = r.target.device;
    o.seconds = r.seconds;
    o.fail(ExitCode::transfer_stopped,
           {"the worker for " + r.target.device + " " + (r.death.empty() ? "printed no report" : r.death),
            "the keyboard may hold part of the image, or none of it", "download the image into it again"});
    if (command != Command::verify) o.extra.flag("verified", false);
    return outcome_json(o);
}

std::string seconds_text(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

// "/dev/ttyUSB0: downloaded, verified, 1024 bytes, 3.2 s", or what failed and what the keyboard holds.
std::string summary_line(const Target& target, const JsonFields& fields, int exit) {
    const double seconds = fields.number("seconds").value_or(0);
    if (exit == 0) {
        const std::optional<bool> verified = fields.flag("verified");
        return target.device + ": ok, " + (verified.value_or(true) ? "verified" : "not verified") + ", " +
               std::to_string(long(fields.number("bytes").value_or(0))) + " bytes, " + seconds_text(seconds);
    }
    std::string line = target.device + ": FAILED (exit code " + std::to_string(exit) + "): " + fields.text("text");
    if (const std::string why = fields.text("reason"); !why.empty()) line += "; " + why;
    return line + ", " + seconds_text(seconds);
}

void run_workers(std::vector<Running>& running, const Context& context) {
    GangProgress progress(running, context.output);
    bool interrupted = false;
    hold_interrupt(true);
    while (std::any_of(running.begin(), running.end(), [](const Running& r) { return !r.ended; })) {
        std::this_thread::sleep_for(kPollInterval);
        if (interrupt_pending() && !interrupted) {
            interrupted = true;
            for (Running& r : running)
                if (!r.ended) r.worker->interrupt();
        }
        for (Running& r : running)
            if (!r.ended) take_output(r);
        progress.show();
    }
    forget_interrupt();
    hold_interrupt(false);
}
}  // namespace

void run_several(Command command, const TransferOptions& t, Context& context) {
    Outcome refusal(command, t.image);
    if (const std::string why = host::facts().one_keyboard; !why.empty())
        return end_with(refusal.fail(ExitCode::usage, {"several keyboards cannot be programmed here", why, ""}),
                        context);
    const std::optional<Library> library = load_library(command, context);
    // Prepared as for one keyboard: where the host's devices are is set up there.
    if (!library || !prepare_keyboard(command, context)) return;
    const std::optional<std::vector<Target>> targets = targets_of(*library, command, t, refusal);
    if (!targets) return end_with(refusal, context);
    Bytes image;
    FileError error;
    std::uintmax_t size = 0;
    if (!read_image_file(t.image, image, error, size))
        return end_with(refusal.fail(ExitCode::image_unreadable,
                                     {"cannot read the image " + t.image, describe(error), "check the file's name and rights"}),
                        context);
    if (const std::string why = download_refusal(image); !why.empty())
        return end_with(refusal.fail(ExitCode::not_an_image, {t.image + " is not a valid image", why, "see `kbptool info`"}),
                        context);
    if (std::string why; !t.log.empty() && !host::check_log(t.log, why))
        return end_with(refusal.fail(ExitCode::file_error, log_refusal(why)), context);

    const auto start = std::chrono::steady_clock::now();
    std::vector<Running> running;
    for (const Target& target : *targets) {
        Running r;
        r.target = target;
        std::string why;
        r.worker = host::start_worker(worker_arguments(command, t, target, context), why);
        if (!r.worker) {
            r.ended = true;
            r.death = "could not start: " + why;
        }
        running.push_back(std::move(r));
    }
    run_workers(running, context);

    Outcome o(command, t.image);
    std::vector<std::string> reports;
    std::vector<std::string> failed;
    int worst = 0;
    const std::string sha256 = sha256_hex(image);
    for (Running& r : running) {
        std::optional<JsonFields> fields = read_json_fields(r.report);
        int exit = r.exit.value_or(int(ExitCode::transfer_stopped));
        // A worker keeps the record of a transfer it ran to its report; one lost,
        // or ended by a signal before its transfer, has kept none.
        const bool recorded = fields && fields->number("sent");
        if (!fields) {
            r.report = report_of_lost_worker(command, t, r);
            fields = read_json_fields(r.report);
            exit = int(ExitCode::transfer_stopped);
        }
        if (!recorded && !t.log.empty())
            append_record(t.log, record_line(r.report, {r.target.device, sha256}), o, context.output);
        reports.push_back(r.report);
        o.lines.push_back(summary_line(r.target, *fields, exit));
        if (exit != 0) failed.push_back(r.target.device + " (exit code " + std::to_string(exit) + ")");
        worst = std::max(worst, exit);
    }
    o.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::string count = std::to_string(running.size()) + " keyboard" + (running.size() == 1 ? "" : "s");
    o.text = failed.empty() ? count + " " + (command == Command::verify ? "verified" : "programmed") + " in " +
                                  seconds_text(o.seconds)
                            : std::to_string(failed.size()) + " of " + count + " failed: " + [&failed] {
                                  std::string list;
                                  for (const std::string& f : failed) list += (list.empty() ? "" : ", ") + f;
                                  return list;
                              }();
    o.exit = ExitCode(worst);
    std::string array;
    for (const std::string& r : reports) array += (array.empty() ? "" : ", ") + r;
    o.extra.number("keyboards_failed", long(failed.size())).raw("keyboards", "[" + array + "]");
    end_with(o, context);
}
}  // namespace kbptool
