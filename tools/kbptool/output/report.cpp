#include "output/report.h"

#include <algorithm>
#include <cstdio>

#include "hosts/host.h"

namespace kbptool {
namespace {

#define KBPTOOL_COMMAND_WORD(name, word) word,
constexpr std::string_view kCommandWords[] = {KBPTOOL_COMMANDS(KBPTOOL_COMMAND_WORD)};
#undef KBPTOOL_COMMAND_WORD

struct ExitCodeWords {
    int code;
    std::string_view words;
};
#define KBPTOOL_EXIT_CODE_ROW(name, code, words) {code, words},
constexpr ExitCodeWords kExitCodes[] = {KBPTOOL_EXIT_CODES(KBPTOOL_EXIT_CODE_ROW)};
#undef KBPTOOL_EXIT_CODE_ROW

constexpr std::size_t kLineWidth = 100;
constexpr char kIndent[] = "\n        ";  // under the words of the line above

// The one place that tells the library's texts from the others: raw_text, the
// boxes, and `text` where the outcome has none of its own are the library's
// Windows ANSI bytes, shown as readable() makes them. Every other field is the
// tool's words quoting what the person typed (file names, paths, devices) and
// is shown byte for byte as given. In JSON json_string serves both kinds.
std::string shown_text(const Outcome& o, bool utf8) {
    return o.text.empty() ? readable(trimmed(o.raw_text), utf8) : o.text;
}

void print_lines(const Outcome& o, bool quiet) {
    const std::string text = shown_text(o, host::facts().utf8_output);
    const std::string command(command_word(o.command));
    for (std::size_t i = o.warnings_shown; i < o.warnings.size(); ++i)
        if (!quiet) std::fprintf(stderr, "kbptool: warning: %s\n", o.warnings[i].c_str());
    if (!o.failed()) {
        if (quiet) return;
        std::printf("%s: %s\n", command.c_str(), text.c_str());
        for (const std::string& line : o.lines) std::printf("  %s\n", line.c_str());
        return;
    }
    if (o.exit == ExitCode::usage || command.empty())  // the command line, not the command, failed
        std::fprintf(stderr, "kbptool%s%s: %s\n", command.empty() ? "" : " ", command.c_str(), text.c_str());
    else
        std::fprintf(stderr, "kbptool: %s failed%s: %s\n", command.c_str(),
                     o.path.empty() ? "" : (" over " + path_phrase(o.path)).c_str(), text.c_str());
    for (const std::string& line : o.lines) std::fprintf(stderr, "  %s\n", line.c_str());
    if (!o.file.empty()) std::fprintf(stderr, "  file: %s\n", o.file.c_str());
    if (!o.reason.empty()) std::fprintf(stderr, "  why: %s\n", o.reason.c_str());
    if (!o.hint.empty()) std::fprintf(stderr, "  try: %s\n", o.hint.c_str());
    std::fprintf(stderr, "  exit code %d\n", int(o.exit));
}
}  // namespace

ExitCode download_exit(long result) {
    return result > 0 ? ExitCode::success : ExitCode(kDownloadExitBase - int(result));
}

ExitCode upload_exit(long result) {
    if (result > 0) return ExitCode::success;
    return result == KBP_UPLOAD_FAILED ? ExitCode::upload_failed : ExitCode::upload_no_file_name;
}

std::string exit_code_table() {
    std::string table = "Exit codes:";
    for (const auto& [code, words] : kExitCodes) {
        char number[16];
        std::snprintf(number, sizeof number, "\n  %-6d", code);
        std::string line = number;
        bool line_begins = true;
        for (std::size_t at = 0; at < words.size();) {
            const std::size_t end = std::min(words.find(' ', at), words.size());
            if (!line_begins && line.size() + end - at >= kLineWidth) {
                table += line;
                line = kIndent;
                line_begins = true;
            }
            line += (line_begins ? "" : " ") + std::string(words.substr(at, end - at));
            line_begins = false;
            at = end + 1;
        }
        table += line;
    }
    return table + "\n";
}

std::string_view command_word(Command command) { return kCommandWords[int(command)]; }

Command command_named(std::string_view word) {
    for (std::size_t c = 0; c < std::size(kCommandWords); ++c)
        if (kCommandWords[c] == word) return Command(c);
    return Command::none;
}

Outcome& Outcome::fail(ExitCode code, const Failure& failure) {
    exit = code;
    if (!failure.text.empty()) text = failure.text;
    reason = failure.reason;
    hint = failure.hint;
    return *this;
}

std::string outcome_text(const Outcome& o) { return o.text.empty() ? trimmed(o.raw_text) : o.text; }

std::string path_phrase(const std::string& path) {
    return path.starts_with("COM") || path.starts_with("USB") || path.starts_with("/") ? path : "the " + path;
}

std::string outcome_json(const Outcome& o) {
    JsonObject json;
    json.text("command", command_word(o.command))
        .number("result", o.result)
        .text("text", outcome_text(o))
        .text("raw_text", o.raw_text)
        .number("bytes", o.bytes)
        .seconds("seconds", o.seconds)
        .number("exit_code", long(o.exit))
        .text("path", o.path)
        .text("file", o.file)
        .text("reason", o.reason)
        .text("hint", o.hint)
        .texts("warnings", o.warnings);
    std::vector<JsonObject> boxes;
    for (const ShownBox& box : shown_boxes())
        boxes.push_back(
            JsonObject{}.text("text", trimmed(box.text)).text("caption", trimmed(box.caption)).text("answer", box.answer));
    json.objects("boxes", boxes);
    std::string line = json.str();
    const std::string extra = o.extra.str();
    if (extra.size() > 2) line.insert(line.size() - 1, ", " + extra.substr(1, extra.size() - 2));
    return line;
}

void warn(Outcome& o, std::string warning, const OutputOptions& output) {
    o.warnings.push_back(std::move(warning));
    if (output.json || output.quiet) return;
    std::fprintf(stderr, "kbptool: warning: %s\n", o.warnings.back().c_str());
    o.warnings_shown = o.warnings.size();
}

int report(const Outcome& o, const OutputOptions& output) {
    if (output.json)
        std::printf("%s\n", outcome_json(o).c_str());
    else
        print_lines(o, output.quiet);
    std::fflush(stdout);
    return int(o.exit);
}
}  // namespace kbptool
