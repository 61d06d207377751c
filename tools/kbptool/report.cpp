#include "report.h"

#include <cstdio>

#include "readable_text.h"

namespace kbptool {

int report(const Outcome& o, const OutputOptions& output) {
    if (output.json) {
        std::printf("{\"command\": %s, \"result\": %d, \"text\": %s, \"bytes\": %ld, \"seconds\": %.3f, "
                    "\"exit_code\": %d",
                    json_string(o.command).c_str(), o.result, json_string(o.text).c_str(), o.bytes, o.seconds,
                    o.exit_code);
        if (!o.detail.empty()) std::printf(", \"detail\": %s", json_string(o.detail).c_str());
        std::printf("}\n");
        return o.exit_code;
    }
    const bool utf8 = terminal_takes_utf8();
    std::string text = readable(o.text, utf8);
    text.erase(0, text.find_first_not_of(' '));
    text.erase(text.find_last_not_of(' ') + 1);
    std::FILE* out = o.exit_code == 0 ? stdout : stderr;
    if (o.exit_code != 0 || !output.quiet) {
        std::fprintf(out, "%s: %s (result %d", o.command.c_str(), text.empty() ? "-" : text.c_str(), o.result);
        if (o.exit_code == 0) std::fprintf(out, ", %ld bytes in %.2f s", o.bytes, o.seconds);
        std::fprintf(out, ")\n");
        if (!o.detail.empty()) std::fprintf(out, "%s\n", o.detail.c_str());
    }
    return o.exit_code;
}

void complain(const std::string& message) { std::fprintf(stderr, "kbptool: %s\n", message.c_str()); }

}  // namespace kbptool
