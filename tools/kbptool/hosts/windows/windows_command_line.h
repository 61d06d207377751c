#pragma once
// The command line as the person typed it, whatever the ANSI code page.
#include <string>
#include <vector>

namespace kbptool {

// The arguments after the program's name, read as characters
// (GetCommandLineW) and given in UTF-8; argv's when Windows cannot split them.
std::vector<std::string> unicode_arguments(int argc, char** argv);
// The console shows the tool's UTF-8 while it runs, and its own code page again after.
void show_utf8_on_console();

}  // namespace kbptool
