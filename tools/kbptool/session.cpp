#include "session.h"

#include <cstdlib>

#include "exit_codes.h"
#include "report.h"

namespace kbptool {

std::optional<Session> open_session(int& exit_code) {
    Session session;
    std::string error;
    if (!load_kbp_library(session.library, error)) {
        complain(error);
        exit_code = exit_code::kNoLibrary;
        return std::nullopt;
    }
    session.host = make_keyboard_host();
    if (!session.host->prepare(error)) {
        complain(error);
        exit_code = exit_code::kNoLibrary;
        return std::nullopt;
    }
    return session;
}

bool close_session(Session& session) {
    std::string error;
    if (session.host->keep(error)) return true;
    complain(error);
    return false;
}

std::optional<int> interface_kind(const std::string& name) {
    static const char* const kNames[] = {"auto", "ports", "class", "portdriver", "usb"};
    for (int kind = 0; kind < 5; ++kind)
        if (name == kNames[kind]) return kind;
    return byte_value(name);
}

std::optional<int> byte_value(const std::string& text) {
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || number < 0 || number > 255) return std::nullopt;
    return int(number);
}

}  // namespace kbptool
