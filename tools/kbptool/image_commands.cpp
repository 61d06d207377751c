// info and new: image files, without a keyboard.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "commands.h"
#include "exit_codes.h"
#include "image.h"
#include "readable_text.h"
#include "wire_time.h"

namespace kbptool {

namespace {

int show_info(const std::string& file, const OutputOptions& output) {
    const std::optional<Bytes> image = read_file(file);
    if (!image) {
        complain("cannot read " + file);
        return exit_code::kFileError;
    }
    const std::string refusal = download_refusal(*image);
    const std::optional<unsigned> end = stored_end(*image);
    const bool end_agrees = end && std::size_t{*end} + 1 == image->size();
    const long size = long(image->size());
    if (output.json) {
        std::printf("{\"file\": %s, \"size\": %ld, \"valid\": %s, \"refusal\": %s, \"end\": %ld, \"end_agrees\": %s, "
                    "\"paths\": [",
                    json_string(file).c_str(), size, refusal.empty() ? "true" : "false", json_string(refusal).c_str(),
                    end ? long(*end) : -1L, end_agrees ? "true" : "false");
        const char* separator = "";
        for (Path p : kAllPaths) {
            const DownloadPlan plan = plan_download(p, size);
            std::printf("%s{\"path\": \"%s\", \"frames\": %ld, \"frame_bytes\": %ld, \"seconds\": %.3f}", separator,
                        std::string(path_name(p)).c_str(), plan.frames, plan.frame_bytes, plan.wire_seconds);
            separator = ", ";
        }
        std::printf("]}\n");
    } else {
        std::printf("%s: %ld bytes, %s\n", file.c_str(), size,
                    refusal.empty() ? "a valid image for a download" : ("not a valid image: " + refusal).c_str());
        if (end) {
            std::printf("image end (bytes 6..7): %u (0x%04X); the file size %s end + 1 = %u\n", *end, *end,
                        end_agrees ? "agrees with" : "DISAGREES with", *end + 1);
            if (*end > kMaxUploadEnd)
                std::printf("an upload reads at most up to address %u, so this image cannot be read back\n",
                            kMaxUploadEnd);
        }
        if (refusal.empty()) {
            std::printf("%-11s %7s %12s %18s\n", "path", "frames", "frame bytes", "est. wire time");
            for (Path p : kAllPaths) {
                const DownloadPlan plan = plan_download(p, size);
                std::printf("%-11s %7ld %12ld %16.1f s%s\n", std::string(path_name(p)).c_str(), plan.frames,
                            plan.frame_bytes, plan.wire_seconds, p == Path::com ? " (9600 baud)" : "");
            }
        }
    }
    return refusal.empty() ? exit_code::kSuccess : exit_code::kFailed;
}

int make_new(const std::string& file, unsigned end, const OutputOptions& output) {
    if (!write_file_atomically(file, make_image(end))) {
        complain("cannot write " + file);
        return exit_code::kFileError;
    }
    if (!output.quiet)
        std::printf("%s: a %u-byte image, end %u (0x%04X)%s\n", file.c_str(), end + 1, end, end,
                    end > kMaxUploadEnd ? "; too long to be read back by an upload" : "");
    return exit_code::kSuccess;
}

}  // namespace

void add_image_commands(CLI::App& app, Context& context) {
    auto file = std::make_shared<std::string>();
    CLI::App* info = app.add_subcommand("info", "Check IMAGE as a download would and show its frames per path");
    info->footer("Example:\n  kbptool info examples/sample.kbp\n");
    info->add_option("IMAGE", *file, "Configuration image file")->required();
    info->callback([file, &context] { context.exit_code = show_info(*file, context.output); });

    auto target = std::make_shared<std::string>();
    auto end = std::make_shared<unsigned>(0);
    CLI::App* make = app.add_subcommand("new", "Write a valid image with a recognisable pattern to FILE");
    make->footer("Example:\n  kbptool new --end 1023 sample.kbp   (a 1024-byte image)\n");
    make->add_option("--end", *end, "Image end L, the last keyboard address: the file gets L + 1 bytes")
        ->required()
        ->check(CLI::Range(301u, 65535u));
    make->add_option("FILE", *target, "File to write")->required();
    make->callback([target, end, &context] { context.exit_code = make_new(*target, *end, context.output); });
}

}  // namespace kbptool
