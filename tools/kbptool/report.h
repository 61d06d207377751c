#pragma once
// How a command's outcome is shown: a readable line, or one JSON object.
#include <string>

namespace kbptool {

struct OutputOptions {
    bool quiet = false;
    bool json = false;
};

struct Outcome {
    std::string command;
    int result = 0;          // the library's result
    std::string text;        // the status text, as the library left it
    long bytes = 0;          // image bytes moved
    double seconds = 0;
    int exit_code = 0;
    std::string detail;      // the tool's own words, when it has any
};

// Prints the outcome (stdout; a failure's line on stderr) and returns its exit code.
int report(const Outcome& outcome, const OutputOptions& output);

// A line of the tool's own on stderr.
void complain(const std::string& message);

}  // namespace kbptool
