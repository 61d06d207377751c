// kbptool: download, upload, verify and inspect keyboard configuration images
// through kbpi32, from a command line.
#include <CLI/CLI.hpp>

#include "commands.h"
#include "exit_codes.h"

namespace {

constexpr const char* kExitCodes =
    "Exit codes:\n"
    "  0      success\n"
    "  1      info: not a valid image; send: a byte not sent; interface refused\n"
    "  2      wrong command line\n"
    "  3      kbpi32 (or the simulated keyboard's state) cannot be used\n"
    "  4      a file of the tool's own cannot be read or written\n"
    "  11..17 kbp_download returned -1..-7: 11 no file name, 12 COM port cannot be opened or set up,\n"
    "         13 port text names no COM port, 14 COM port cannot be closed, 15 transfer stopped,\n"
    "         16 not a valid image, 17 image file not found\n"
    "  20     kbp_upload failed (0); 21 kbp_upload had no file name (-1)\n"
    "  30     verify: the keyboard holds other bytes than the image";

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("kbptool: move keyboard configuration images through kbpi32");
    app.require_subcommand(1);
    app.fallthrough();
    app.footer(kExitCodes);
    kbptool::Context context;
    app.add_flag("--quiet,-q", context.output.quiet, "Print only failures");
    app.add_flag("--json", context.output.json, "Print one JSON object (result, text, bytes, seconds)");
    kbptool::add_transfer_commands(app, context);
    kbptool::add_image_commands(app, context);
    kbptool::add_interface_commands(app, context);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kbptool::exit_code::kUsage;
    }
    return context.exit_code;
}
