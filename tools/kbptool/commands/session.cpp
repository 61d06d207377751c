#include "commands/session.h"

#include "output/exit_codes.h"
#include "include/kbpi32.h"
#include "commands/wire_time.h"

namespace kbptool {

namespace {

constexpr char kAutomaticName[] = "auto";

void report_unusable(const std::string& command, const std::string& error, const std::string& hint,
                     Context& context) {
    Outcome o;
    o.command = command;
    o.text = error;
    o.hint = hint;
    o.ending = Ending::no_library;
    context.exit_code = report(o, context.output);
}

}  // namespace

std::optional<Session> open_session(const std::string& command, Context& context) {
    Session session;
    std::string error;
    session.host = &keyboard_host();
    if (!session.host->load_library(session.library, error)) {
        const std::size_t newline = error.find('\n');
        report_unusable(command, error.substr(0, newline),
                        newline == std::string::npos ? "" : error.substr(newline + 1), context);
        return std::nullopt;
    }
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
        if (!shown.failed()) {
            shown.text = outcome_text(outcome) + "; but the keyboard's memory is not kept";
            shown.reason = error;
            shown.ending = Ending::no_library;
        } else {
            shown.warnings.push_back(error);
        }
    }
    context.exit_code = report(shown, context.output);
}

const std::vector<std::string> kInterfaceNames = [] {
    std::vector<std::string> names{kAutomaticName};
    for (Path path : kAllPaths)
        if (kind_of_path(path)) names.emplace_back(path_name(path));
    return names;
}();

std::optional<int> interface_kind(const std::string& name) {
    if (name == kAutomaticName) return KBP_INTERFACE_AUTOMATIC;
    if (const std::optional<Path> path = path_from_name(name))
        if (const std::optional<int> kind = kind_of_path(*path)) return kind;
    return byte_value(name);
}

ReadNumber read_byte(const std::string& text) { return read_number(text, {0, 255}); }

std::optional<int> byte_value(const std::string& text) {
    const std::optional<std::uint64_t> byte = read_byte(text).value;
    if (!byte) return std::nullopt;
    return int(*byte);
}

}  // namespace kbptool
