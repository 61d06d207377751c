// info and new: image files, without a keyboard.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "cli/commands.h"
#include "cli/numbers.h"
#include "commands/paths.h"
#include "files/image.h"
#include "output/text.h"

namespace kbptool {
namespace {

Outcome file_failure(Command command, const std::string& text, const FileError& error) {
    Outcome o(command, error.file);
    return o.fail(ExitCode::file_error, {text, describe(error), ""});
}

Outcome info(const std::string& file) {
    Bytes image;
    FileError error;
    std::uintmax_t size = 0;
    if (!read_image_file(file, image, error, size)) return file_failure(Command::info, "cannot read " + file, error);
    Outcome o(Command::info, file);
    o.bytes = long(size);
    const std::string library_refusal = download_refusal(image);
    const std::string cut = cut_short(image);
    const std::string refusal =
        !library_refusal.empty() ? library_refusal : cut.empty() ? "" : cut + "; a download refuses it without --force";
    const std::optional<unsigned> end = stored_end(image);
    const bool agrees = end && std::size_t{*end} + 1 == image.size();
    o.text = std::to_string(size) + " bytes, " +
             (refusal.empty() ? "a valid image for a download" : "not a valid image: " + refusal);
    if (!refusal.empty()) o.fail(ExitCode::failed, {"", refusal, ""});
    // Of a file too long to be an image only its start was read.
    if (const std::string past = size > kMaxImageSize ? "" : runs_past_end(image); !past.empty())
        o.warnings.push_back(past);
    if (end) {
        o.lines.push_back("image end (" + end_field_bytes() + "): " + std::to_string(*end) + " (" + hex_text(*end, 4) +
                          "); the file size " + (agrees ? "agrees with" : "DISAGREES with") + " end + 1 = " +
                          std::to_string(*end + 1));
        for (const bool usb : {false, true})
            if (read_back_end(image) > max_upload_end(usb))
                o.lines.push_back("an upload" + std::string(usb ? " over USB" : "") + " reads at most up to address " +
                                  std::to_string(max_upload_end(usb)) + ", so this image cannot be read back" +
                                  (usb ? " over USB" : ""));
    }
    std::vector<JsonObject> paths;
    if (library_refusal.empty()) {
        // A download reads the image back unless it cannot: its time is part of the download's.
        const unsigned back_end = read_back_end(image);
        char line[256];
        std::snprintf(line, sizeof line, "%-11s %7s %12s %18s %11s %9s", "path", "frames", "frame bytes", "est. wire time",
                      "read-back", "total");
        o.lines.push_back(line);
        for (const PathFacts& facts : kPaths) {
            const Path p = facts.path;
            const DownloadPlan plan = plan_download(p, o.bytes);
            const bool reads_back = p != Path::com && back_end <= max_upload_end(p == Path::usb);
            const double back = reads_back ? upload_seconds(p, back_end) : 0;
            char times[48] = "          -         -";
            if (reads_back) std::snprintf(times, sizeof times, "%9.1f s %7.1f s", back, plan.wire_seconds + back);
            std::snprintf(line, sizeof line, "%-11s %7ld %12ld %16.1f s %s%s", std::string(facts.name).c_str(),
                          plan.frames, plan.frame_bytes, plan.wire_seconds, times,
                          p == Path::com ? " (9600 baud; an upload has no COM path: read back on the path chosen)"
                          : !reads_back  ? " (cannot be read back)"
                                         : "");
            o.lines.push_back(line);
            JsonObject path = JsonObject{}
                                  .text("path", facts.name)
                                  .number("frames", plan.frames)
                                  .number("frame_bytes", plan.frame_bytes)
                                  .seconds("seconds", plan.wire_seconds);
            if (reads_back)
                path.seconds("read_back_seconds", back).seconds("total_seconds", plan.wire_seconds + back);
            else
                path.number("read_back_seconds", std::optional<long>{}).number("total_seconds", std::optional<long>{});
            paths.push_back(path);
        }
    }
    o.extra.number("size", o.bytes)
        .flag("valid", refusal.empty())
        .text("refusal", refusal)
        .number("end", end ? std::optional<long>(*end) : std::nullopt)
        .flag("end_agrees", agrees)
        .flag("can_read_back", read_back_end(image) <= max_upload_end(false))
        .flag("can_read_back_usb", read_back_end(image) <= max_upload_end(true))
        .objects("paths", paths);
    return o;
}

Outcome make_new(const std::string& file, unsigned end, bool force) {
    std::string target;
    FileError error;
    if (!resolve_output(file, target, error)) return file_failure(Command::make, "cannot write " + file, error);
    if (!force && exists_at(target)) {
        Outcome o(Command::make, file);
        return o.fail(ExitCode::file_error, {file + " exists and is left as it was", "new replaces no file unless told to",
                                             "--force replaces it; or name a new file"});
    }
    if (!check_writable(target, target + ".tmp", error) || !write_file_atomically(target, make_image(end), error))
        return file_failure(Command::make, "cannot write " + file, error);
    Outcome o(Command::make, file);
    o.bytes = long(end) + 1;
    o.text = file + ": a " + std::to_string(end + 1) + "-byte image, end " + std::to_string(end) + " (" + hex_text(end, 4) +
             ")" + (end > max_upload_end(false) ? "; too long to be read back by an upload" : "");
    o.extra.number("end", long(end));
    return o;
}
}  // namespace

void add_image_commands(CLI::App& app, Context& context) {
    auto file = std::make_shared<std::string>();
    CLI::App* info_command = add_command(app, Command::info, "Check IMAGE as a download would and show its frames per path",
                                         "kbptool info examples/sample.kbp");
    info_command->add_option("IMAGE", *file, "Configuration image file")->required()->check(refuse_empty_name);
    info_command->callback([file, &context] { context.exit_code = report(info(*file), context.output); });

    auto target = std::make_shared<std::string>();
    auto end = std::make_shared<unsigned>(0);
    auto force = std::make_shared<bool>(false);
    CLI::App* make = add_command(app, Command::make, "Write a valid image with a recognisable pattern to FILE",
                                 "kbptool new --end 1023 sample.kbp   (a 1024-byte image)");
    make->add_option("--end", *end,
                     "Image end L, the last keyboard address (" + std::to_string(kMinImageSize - 1) + ".." +
                         std::to_string(kMaxImageSize - 1) + "): the file gets L + 1 bytes")
        ->required()
        ->transform(CLI::Validator(
            [](std::string& text) {
                const ReadNumber number = read_number(text, {kMinImageSize - 1, kMaxImageSize - 1});
                if (number.value) text = std::to_string(*number.value);
                return number.problem;
            },
            "L"));
    make->add_option("FILE", *target, "File to write")->required()->check(refuse_empty_name);
    make->add_flag("--force", *force, "Replace FILE when it exists");
    make->callback([target, end, force, &context] {
        context.exit_code = report(make_new(*target, *end, *force), context.output);
    });
}
}  // namespace kbptool
