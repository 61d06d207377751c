// kbptool: download, upload, verify and inspect keyboard configuration images
// through kbpi32, from a command line.
#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/commands.h"
#include "cli/suggest.h"
#include "hosts/host.h"
#include "output/interrupt.h"

#ifndef KBP_VERSION
#define KBP_VERSION "unknown"
#endif

namespace kbptool {

std::string refuse_empty_name(const std::string& name) { return name.empty() ? "an empty file name" : ""; }

CLI::App* add_command(CLI::App& app, Command command, const std::string& description, const std::string& example,
                      const std::string& notes) {
    CLI::App* sub = app.add_subcommand(std::string(command_word(command)), description);
    sub->footer(notes + "Example:\n  " + example + "\n");
    return sub;
}

}  // namespace kbptool

namespace {

using namespace kbptool;

int usage_error(const std::string& command, const std::string& text, const std::string& hint, bool json) {
    Outcome o;
    o.command = command_named(command);
    return report(o.fail(ExitCode::usage, {text, "", hint}), {false, json});
}

int print_version(bool json) {
    Library library;
    Failure failure;
    const bool loaded = host::load(library, failure);
    Outcome o;
    o.command = Command::version;
    const std::string of_library =
        loaded ? "kbpi32 " + (library.version.empty() ? std::string("(no version)") : library.version) + ", " +
                     library.location
               : "kbpi32 not loaded: " + failure.text;
    o.text = std::string("kbptool ") + KBP_VERSION + "; " + of_library;
    o.extra.text("tool_version", KBP_VERSION).text("library_version", library.version).text("library", library.location);
    return report(o, {false, json});
}

std::vector<std::string> option_names(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
    return names;
}

// The first word that is no option: the command.
const std::string* command_word_of(const std::vector<std::string>& args) {
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
    std::optional<Failure> handed_over;
    std::vector<std::string> args = host::arguments(argc, argv, handed_over);
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    if (handed_over) {
        Outcome o;
        return report(o.fail(ExitCode::no_library, *handed_over), {false, json});
    }
    const std::string& help_switch = host::facts().help_switch;
    for (std::string& a : args)
        if (!help_switch.empty() && a == help_switch) a = "--help";
    watch_for_interrupt(json);
    if (std::find(args.begin(), args.end(), "--version") != args.end()) return print_version(json);

    CLI::App app("kbptool: move keyboard configuration images through kbpi32", "kbptool");
    app.require_subcommand(1);
    app.fallthrough();
    app.footer(exit_code_table());
    Context context;
    app.add_flag("--quiet,-q", context.output.quiet, "Print nothing on success, only failures");
    app.add_flag("--json", context.output.json, "Print one JSON object (the same keys for every command)");
    bool version_asked = false;  // answered before the parse
    app.add_flag("--version", version_asked, "Print the tool's and the library's version");
    auto* yes_flag = app.add_flag("--yes", context.yes, "Answer OK to the library's questions (message boxes)");
    app.add_flag("--no", context.no, "Answer Cancel to the library's questions")->excludes(yes_flag);
    host::add_switches(app);
    add_transfer_commands(app, context);
    add_image_commands(app, context);
    add_interface_commands(app, context);
    add_detect_command(app, context);
    std::vector<std::string> words;
    for (CLI::App* command : app.get_subcommands(std::function<bool(CLI::App*)>{})) {
        command->footer(command->get_footer() +
                        "\nFor every command: --json, --quiet, --yes, --no, --version (kbptool --help lists the exit codes)\n");
        words.push_back(command->get_name());
    }

    const std::string* word = command_word_of(args);
    if (word != nullptr && std::find(words.begin(), words.end(), *word) == words.end() &&
        std::find(args.begin(), args.end(), "--help") == args.end()) {
        const std::string meant = closest_word(*word, words);
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
        const CLI::App* command = word != nullptr ? app.get_subcommand(*word) : nullptr;
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
