#pragma once
// How a command's outcome is shown: readable lines, or one JSON object with
// the same keys for every command.
#include <optional>
#include <string>
#include <vector>

#include "output/exit_codes.h"
#include "output/json_object.h"

namespace kbptool {

struct OutputOptions {
    bool quiet = false;
    bool json = false;
};

struct Outcome {
    std::string command;
    std::optional<long> result;     // the library's result; none when it was not called
    std::string raw_text;           // the library's status text as it came; empty when none
    std::string text;               // what happened, in a line; the library's text trimmed when empty
    long bytes = 0;                 // image bytes moved
    double seconds = 0;
    Ending ending = Ending::success;  // with `result`, gives the exit code
    std::string path;               // "keyboard port driver", "COM5 at 9600,N,8,1", ...
    std::string file;
    std::string reason;             // why it failed, in the tool's words
    std::string hint;               // what to check or try
    std::vector<std::string> warnings;
    std::size_t warnings_shown = 0; // how many of them `warn` printed already
    std::vector<std::string> lines; // more to show on success (stdout)
    JsonObject extra;               // the command's own keys, after the common ones

    int exit_code() const { return exit_code_of(ending, result); }
    bool failed() const { return exit_code() != exit_code::kSuccess; }
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
