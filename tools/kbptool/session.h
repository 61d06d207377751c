#pragma once
// Everything a command that talks to a keyboard needs: the library and what
// stands behind it.
#include <memory>
#include <optional>

#include "kbp_library.h"
#include "keyboard_host.h"

namespace kbptool {

struct Session {
    KbpLibrary library;
    std::unique_ptr<KeyboardHost> host;
};

// The library loaded and the keyboard prepared; none, with the reason
// printed and `exit_code` set, when either fails.
std::optional<Session> open_session(int& exit_code);
// Keeps what the keyboard holds; false, with the reason printed, on failure.
bool close_session(Session& session);

// 0..255 written in decimal or 0x-hex.
std::optional<int> byte_value(const std::string& text);
// The InterfaceKind of a name (auto, ports, class, portdriver, usb) or number.
std::optional<int> interface_kind(const std::string& name);

}  // namespace kbptool
