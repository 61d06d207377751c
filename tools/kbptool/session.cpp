#include "session.h"

#include <cstdlib>

#include "exit_codes.h"

namespace kbptool {

namespace {

void report_unusable(const std::string& command, const std::string& error, const std::string& hint,
                     Context& context) {
    Outcome o;
    o.command = command;
    o.text = error;
    o.hint = hint;
    o.exit_code = exit_code::kNoLibrary;
    context.exit_code = report(o, context.output);
}

}  // namespace

std::optional<Session> open_session(const std::string& command, Context& context) {
    Session session;
    std::string error;
    if (!load_kbp_library(session.library, error)) {
        const std::size_t newline = error.find('\n');
        report_unusable(command, error.substr(0, newline),
                        newline == std::string::npos ? "" : error.substr(newline + 1), context);
        return std::nullopt;
    }
    session.host = make_keyboard_host();
    if (!session.host->prepare(context.host(), error)) {
        report_unusable(command, error, "", context);
        return std::nullopt;
    }
    return session;
}

void finish_session(Session& session, const Outcome& outcome, Context& context) {
    std::string error;
    Outcome shown = outcome;
    if (!session.host->keep(error)) {
        if (shown.exit_code == exit_code::kSuccess) {
            shown.text = outcome_text(outcome) + "; but the keyboard's memory is not kept";
            shown.reason = error;
            shown.exit_code = exit_code::kNoLibrary;
        } else {
            shown.warnings.push_back(error);
        }
    }
    context.exit_code = report(shown, context.output);
}

std::optional<int> interface_kind(const std::string& name) {
    for (std::size_t kind = 0; kind < kInterfaceNames.size(); ++kind)
        if (name == kInterfaceNames[kind]) return int(kind);
    return byte_value(name);
}

std::optional<int> byte_value(const std::string& text) {
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || number < 0 || number > 255) return std::nullopt;
    return int(number);
}

}  // namespace kbptool
