// kbptool: download, upload, verify and inspect keyboard configuration images
// through kbpi32, from a command line.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

#include "cli/commands.h"
#include "output/exit_codes.h"
#include "files/image.h"
#include "hosts/keyboard_host.h"
#include "output/interrupt.h"
#include "cli/suggest.h"

#ifndef KBP_VERSION
#define KBP_VERSION "unknown"
#endif

namespace {

using namespace kbptool;

const std::string kExitCodes =
    "Exit codes:\n"
    "  0      success (detect: it ran; its lines tell where a keyboard answers)\n"
    "  1      info: not a valid image, or one a download refuses; send: a byte not taken; the library\n"
    "         refused the interface\n"
    "  2      wrong command line: also two paths named at once, line settings the library would not take\n"
    "         as written, a path this system cannot have, a number out of range\n"
    "  3      kbpi32 (or the simulated keyboard's state, or kbptool-sim) cannot be used\n"
    "  4      a file of the tool's own (upload's output, new's file, info's image, the DLL's temporary\n"
    "         file) is refused or cannot be read or written; new over a file without --force\n"
    "  11..17 as kbp_download's -1..-7: 12 COM port cannot be opened or set up, 13 port text names no\n"
    "         COM port, 14 COM port cannot be closed, 15 transfer stopped, 16 not a valid image (also one\n"
    "         shorter than its end field says, without --force), 17 image file cannot be read\n"
    "  20     kbp_upload failed (0); 21 kbp_upload had no file name (-1)\n"
    "  30     the keyboard holds other bytes than the image (download's read-back, verify)\n"
    "  31     the image was sent but the keyboard could not be read back (download: --no-verify skips it)\n"
    "  32     verify: the image ends past what an upload can read (" + std::to_string(max_upload_end(false)) + "; " +
    std::to_string(max_upload_end(true)) + " over USB)\n"
    "  130    interrupted (Ctrl-C): after a download the keyboard may hold part of the image, download again";

int usage_error(const std::string& command, const std::string& text, const std::string& hint, bool json) {
    Outcome o;
    o.command = command;
    o.text = text;
    o.hint = hint;
    o.ending = Ending::usage;
    return report(o, {false, json});
}

int print_version(bool json) {
    KbpLibrary library;
    std::string error;
    const bool loaded = keyboard_host().load_library(library, error);
    Outcome o;
    o.command = "version";
    const std::string of_library =
        loaded ? "kbpi32 " + (library.version.empty() ? std::string("(no version)") : library.version) + ", " +
                     library.location
               : "kbpi32 not loaded: " + error.substr(0, error.find('\n'));
    o.text = std::string("kbptool ") + KBP_VERSION + "; " + of_library;
    o.extra.text("tool_version", KBP_VERSION).text("library_version", library.version).text("library", library.location);
    return report(o, {false, json});
}

std::vector<std::string> command_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::App* sub : app.get_subcommands(std::function<bool(const CLI::App*)>{})) names.push_back(sub->get_name());
    return names;
}

std::vector<std::string> option_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

// The first word that is no option: the command.
const std::string* command_word(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (!a.starts_with("-")) return &a;
    return nullptr;
}

// An option the command does not know, with what was probably meant.
std::string unknown_option_text(const CLI::App& app, const CLI::App* command, const std::vector<std::string>& args,
                                std::string& hint) {
    for (const std::string& a : args) {
        // A negative number is a value, whose check names its range.
        if (!a.starts_with("-") || a == "-" || (a[1] >= '0' && a[1] <= '9')) continue;
        const std::string name = a.substr(0, a.find('='));
        if (app.get_option_no_throw(name) != nullptr) continue;
        if (command != nullptr && command->get_option_no_throw(name) != nullptr) continue;
        std::vector<std::string> known = option_names(app);
        if (command != nullptr) {
            const std::vector<std::string> own = option_names(*command);
            known.insert(known.end(), own.begin(), own.end());
        }
        const std::string meant = closest_word(name, known);
        hint = meant.empty() ? "kbptool " + std::string(command ? command->get_name() + " " : "") + "--help lists the options"
                             : "did you mean " + meant + "?";
        return "unknown option " + name;
    }
    return {};
}

}  // namespace

int main(int argc, char** argv) {
    KeyboardHost& host = keyboard_host();
    std::vector<std::string> args = host.arguments(argc, argv);
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    if (const std::string failed = host.hand_over_if_asked(args); !failed.empty()) {
        Outcome o;
        const std::size_t newline = failed.find('\n');
        o.text = failed.substr(0, newline);
        if (newline != std::string::npos) o.hint = failed.substr(newline + 1);
        o.ending = Ending::no_library;
        return report(o, {false, json});
    }
    const std::string_view help_switch = host.help_switch();
    for (std::string& a : args)
        if (!help_switch.empty() && a == help_switch) a = "--help";
    watch_for_interrupt(json);
    if (std::find(args.begin(), args.end(), "--version") != args.end()) return print_version(json);

    CLI::App app("kbptool: move keyboard configuration images through kbpi32", "kbptool");
    app.require_subcommand(1);
    app.fallthrough();
    app.footer(kExitCodes);
    Context context;
    app.add_flag("--quiet,-q", context.output.quiet, "Print nothing on success, only failures");
    app.add_flag("--json", context.output.json, "Print one JSON object (the same keys for every command)");
    bool version_asked = false;  // answered before the parse
    app.add_flag("--version", version_asked, "Print the tool's and the library's version");
    auto* yes_flag = app.add_flag("--yes", context.yes, "Answer OK to the library's questions (message boxes)");
    app.add_flag("--no", context.no, "Answer Cancel to the library's questions")->excludes(yes_flag);
    host.add_switches(app);
    add_transfer_commands(app, context);
    add_image_commands(app, context);
    add_interface_commands(app, context);
    add_detect_command(app, context);
    for (CLI::App* command : app.get_subcommands(std::function<bool(CLI::App*)>{}))
        command->footer(command->get_footer() +
                        "\nFor every command: --json, --quiet, --yes, --no, --version (kbptool --help lists the exit codes)\n");

    const std::string* word = command_word(args);
    const std::vector<std::string> commands = command_names(app);
    if (word != nullptr && std::find(commands.begin(), commands.end(), *word) == commands.end() &&
        std::find(args.begin(), args.end(), "--help") == args.end()) {
        const std::string meant = closest_word(*word, commands);
        return usage_error("", "unknown command " + *word,
                           meant.empty() ? "kbptool --help lists the commands" : "did you mean " + meant + "?", json);
    }
    try {
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const CLI::App* command = nullptr;
        if (word != nullptr) command = app.get_subcommand(*word);
        std::string hint;
        std::string text = unknown_option_text(app, command, args, hint);
        if (text.empty()) {
            text = e.what();
            hint = "kbptool " + (command ? command->get_name() + " " : std::string()) + "--help";
        }
        return usage_error(command ? command->get_name() : "", text, hint, json);
    }
    return context.exit_code;
}
