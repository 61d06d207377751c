// kbptool-sim is the simulated PC's own program: --sim is what it is already,
// and the port texts are the library's own (COM1..COM9).
#include <CLI/CLI.hpp>

#include "keyboard_host.h"

namespace kbptool {

std::optional<PortText> library_port_text(const std::string& given, PortRefusal&) { return PortText{given, ""}; }

std::string default_port_text() { return {}; }

void add_host_switches(CLI::App& app) {
    static bool simulated = true;
    app.add_flag("--sim", simulated, "Run on the simulated PC (this program always does)");
}

void hand_over_if_asked(const std::vector<std::string>&) {}

}  // namespace kbptool
