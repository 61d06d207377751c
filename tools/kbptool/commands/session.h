#pragma once
// Everything a command that talks to a keyboard needs: the library and what
// stands behind it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/numbers.h"
#include "hosts/kbp_library.h"
#include "hosts/keyboard_host.h"
#include "output/report.h"

namespace kbptool {

// What the command line sets for every command.
struct Context {
    OutputOptions output;
    bool yes = false;  // --yes
    bool no = false;   // --no
    int exit_code = 0;

    HostSettings host() const { return {yes ? Answer::yes : no ? Answer::no : Answer::ask, output.quiet}; }
};

struct Session {
    KbpLibrary library;
    KeyboardHost* host = nullptr;
};

// The library loaded and the keyboard prepared; none, with the failure
// reported and `context.exit_code` set, when either fails.
std::optional<Session> open_session(const std::string& command, Context& context);
// Reports the outcome, then keeps what the keyboard holds; a failure to keep
// it is reported too and turns a success into exit code 3.
void finish_session(Session& session, const Outcome& outcome, Context& context);

// 0..255 written in decimal or 0x-hex (020 is twenty).
std::optional<int> byte_value(const std::string& text);
// The same, with why the text is no byte.
ReadNumber read_byte(const std::string& text);
// The names of the InterfaceKinds on the command line: auto, then the paths a
// kind chooses (ports, class, portdriver, usb).
extern const std::vector<std::string> kInterfaceNames;
// The InterfaceKind of one of those names, or of a number.
std::optional<int> interface_kind(const std::string& name);

}  // namespace kbptool
