// kbptool: download, upload, verify and inspect keyboard configuration images
// through kbpi32, from a command line.
#include <CLI/CLI.hpp>
#include <algorithm>

#include "cli/commands.h"
#include "output/interrupt.h"

namespace {
using namespace kbptool;

// Edits (insert, delete, change, swap two neighbours) from a to b.
std::size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i)
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// What a mistyped word was probably meant to be ("downlaod": download); empty
// when no known word is close enough.
std::string did_you_mean(const std::string& typed, const std::vector<std::string>& known, const std::string& otherwise) {
    std::string best;
    std::size_t best_distance = std::max<std::size_t>(2, typed.size() / 3) + 1;
    for (const std::string& word : known)
        if (const std::size_t d = word.starts_with(typed) && typed.size() >= 2 ? 1 : distance(typed, word);
            d < best_distance) {
            best = word;
            best_distance = d;
        }
    return best.empty() ? otherwise : "did you mean " + best + "?";
}

int usage_error(const std::string& command, const std::string& text, const std::string& hint, bool json) {
    Outcome o(command_named(command));
    return report(o.fail(ExitCode::usage, {text, "", hint}), {false, json});
}

int print_version(bool json) {
    Library library;
    Failure failure;
    const bool loaded = host::load(library, failure);
    Outcome o(Command::version);
    o.text = "kbptool " KBP_VERSION "; " +
             (loaded ? "kbpi32 " + (library.version.empty() ? "(no version)" : library.version) + ", " + library.location
                     : "kbpi32 not loaded: " + failure.text);
    o.extra.text("tool_version", KBP_VERSION).text("library_version", library.version).text("library", library.location);
    return report(o, {false, json});
}

void add_option_names(const CLI::App& app, std::vector<std::string>& names) {
    for (const CLI::Option* option : app.get_options())
        for (const std::string& name : option->get_lnames()) names.push_back("--" + name);
}

// An option the command does not know, with what was probably meant.
std::string unknown_option_text(const CLI::App& app, const CLI::App* command, const std::vector<std::string>& args,
                                std::string& hint) {
    for (const std::string& a : args) {
        // A negative number is a value, whose check names its range.
        if (!a.starts_with("-") || a == "-" || (a[1] >= '0' && a[1] <= '9')) continue;
        const std::string name = a.substr(0, a.find('='));
        if (app.get_option_no_throw(name) != nullptr || (command && command->get_option_no_throw(name))) continue;
        std::vector<std::string> known;
        add_option_names(app, known);
        if (command != nullptr) add_option_names(*command, known);
        hint = did_you_mean(name, known,
                            "kbptool " + std::string(command ? command->get_name() + " " : "") + "--help lists the options");
        return "unknown option " + name;
    }
    return {};
}
}  // namespace

int main(int argc, char** argv) {
    std::optional<Failure> handed_over;
    std::vector<std::string> args = host::arguments(argc, argv, handed_over);
    const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
    if (handed_over) return report(Outcome{}.fail(ExitCode::no_library, *handed_over), {false, json});
    const std::string& help_switch = host::facts().help_switch;
    for (std::string& a : args)
        if (!help_switch.empty() && a == help_switch) a = "--help";
    watch_for_interrupt(json, &host::stop_library);
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

    // The first word that is no option: the command.
    const auto word = std::find_if(args.begin(), args.end(), [](const std::string& a) { return !a.starts_with("-"); });
    if (word != args.end() && std::find(words.begin(), words.end(), *word) == words.end() &&
        std::find(args.begin(), args.end(), "--help") == args.end())
        return usage_error("", "unknown command " + *word, did_you_mean(*word, words, "kbptool --help lists the commands"),
                           json);
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::Success& e) {  // --help
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        const CLI::App* command = word != args.end() ? app.get_subcommand(*word) : nullptr;
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
