#pragma once
// The subcommands of kbptool, each leaving its exit code in the context.
#include <CLI/CLI.hpp>
#include <string>

#include "commands/session.h"

namespace kbptool {
// A file the tool opens by its name: "-" is no standard input or output here.
inline std::string refuse_empty_name(const std::string& name) {
    if (name == "-") return "\"-\" names no file here (no image goes through standard input or output): name a file, "
                            "or ./- for one named -";
    return name.empty() ? "an empty file name" : "";
}
// A command of `app` under its word: its description, then in its help notes and an example.
inline CLI::App* add_command(CLI::App& app, Command command, const std::string& description,
                             const std::string& example, const std::string& notes = "") {
    CLI::App* sub = app.add_subcommand(std::string(command_word(command)), description);
    sub->footer(notes + "Example:\n  " + example + "\n");
    return sub;
}

void add_transfer_commands(CLI::App& app, Context& context);   // download, upload, verify
void add_image_commands(CLI::App& app, Context& context);      // info, new
void add_interface_commands(CLI::App& app, Context& context);  // interface, send
void add_detect_command(CLI::App& app, Context& context);      // detect
}  // namespace kbptool
