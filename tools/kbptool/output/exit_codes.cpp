#include "output/exit_codes.h"

#include <cstdio>
#include <string_view>

namespace kbptool {

namespace {

struct ExitCodeWords {
    int code;
    std::string_view words;
};
#define KBPTOOL_EXIT_CODE_ROW(name, code, words) {code, words},
constexpr ExitCodeWords kExitCodes[] = {KBPTOOL_EXIT_CODES(KBPTOOL_EXIT_CODE_ROW)};
#undef KBPTOOL_EXIT_CODE_ROW

constexpr std::size_t kLineWidth = 100;
constexpr char kIndent[] = "\n        ";  // under the words of the line above

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

}  // namespace kbptool
