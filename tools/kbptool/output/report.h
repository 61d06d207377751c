#pragma once
// How a command's outcome is shown: readable lines, or one JSON object with
// the same keys for every command.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "output/exit_codes.h"
#include "output/text.h"

namespace kbptool {

// The commands, in the order of the help; none: the command line named none.
#define KBPTOOL_COMMANDS(X) \
    X(none, "")             \
    X(version, "version")   \
    X(download, "download") \
    X(upload, "upload")     \
    X(verify, "verify")     \
    X(info, "info")         \
    X(make, "new")          \
    X(interface, "interface") \
    X(send, "send")         \
    X(detect, "detect")
#define KBPTOOL_COMMAND_ENUMERATOR(name, word) name,
enum class Command { KBPTOOL_COMMANDS(KBPTOOL_COMMAND_ENUMERATOR) };
#undef KBPTOOL_COMMAND_ENUMERATOR
// The command's word on the command line and in the JSON, and the command of a word (none for another).
std::string_view command_word(Command command);
Command command_named(std::string_view word);

struct OutputOptions {
    bool quiet = false;
    bool json = false;
};

// A failure in words: what happened, why, what to check or try.
struct Failure {
    std::string text;
    std::string reason;
    std::string hint;
};

struct Outcome {
    explicit Outcome(Command of = Command::none) : command(of) {}

    Command command;
    std::optional<long> result;     // the library's result; none when it was not called
    std::string raw_text;           // the library's status text as it came; empty when none
    std::string text;               // what happened, in a line; the library's text trimmed when empty
    long bytes = 0;                 // image bytes moved
    double seconds = 0;
    ExitCode exit = ExitCode::success;
    std::string path;               // "keyboard port driver", "COM5 at 9600,N,8,1", ...
    std::string file;
    std::string reason;             // why it failed, in the tool's words
    std::string hint;               // what to check or try
    std::vector<std::string> warnings;
    std::size_t warnings_shown = 0; // how many of them `warn` printed already
    std::vector<std::string> lines; // more to show (the library's text among them on a failure)
    JsonObject extra;               // the command's own keys, after the common ones

    bool failed() const { return exit != ExitCode::success; }
    // Ends the outcome with `code` and the failure's words (its text only where it has one).
    Outcome& fail(ExitCode code, const Failure& failure);
};

// Prints the outcome (a success on stdout, a failure on stderr; one object on
// stdout with --json) and returns its exit code.
int report(const Outcome& outcome, const OutputOptions& output);
// The outcome as one JSON object (no line end).
std::string outcome_json(const Outcome& outcome);
// Adds a warning and shows it now (stderr), unless quiet or JSON.
void warn(Outcome& outcome, std::string warning, const OutputOptions& output);
// "the keyboard port driver", "USB", "COM5 at 9600,N,8,1": a path in a sentence.
std::string path_phrase(const std::string& path);
// The text of an outcome: `text`, else the library's text trimmed.
std::string outcome_text(const Outcome& outcome);

}  // namespace kbptool
