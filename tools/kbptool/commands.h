#pragma once
// The subcommands of kbptool. Each registers itself on the app and leaves its
// exit code in the context.
#include "report.h"

namespace CLI {
class App;
}

namespace kbptool {

struct Context {
    OutputOptions output;
    int exit_code = 0;
};

void add_transfer_commands(CLI::App& app, Context& context);   // download, upload, verify
void add_image_commands(CLI::App& app, Context& context);      // info, new
void add_interface_commands(CLI::App& app, Context& context);  // interface, send

}  // namespace kbptool
