#pragma once
// What stands behind the library: real hardware on Windows, the simulated PC
// with its keyboard elsewhere.
#include <memory>
#include <string>

#include "wire_time.h"

namespace CLI {
class App;
}

namespace kbptool {

class KeyboardHost {
public:
    virtual ~KeyboardHost() = default;
    // Before the library is called: the keyboard is ready. False with the reason.
    virtual bool prepare(std::string& error) = 0;
    // After the library's calls: keeps what the keyboard now holds.
    virtual bool keep(std::string& error) = 0;
    // The path the library reaches when the command line names none.
    virtual Path default_path() const = 0;
    // Called once per transfer step that took `wire_seconds` on a real wire.
    virtual void step_done(double wire_seconds) = 0;
};

// The host's own options, for a command that talks to a keyboard.
void add_keyboard_host_options(CLI::App& command);
std::unique_ptr<KeyboardHost> make_keyboard_host();

}  // namespace kbptool
