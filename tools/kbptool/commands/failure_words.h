#pragma once
// What a failed transfer means for the technician: why, in the tool's words,
// and one line of what to check or try. The library's own text stays as it came.
#include <string>

#include "commands/route.h"

namespace kbptool {

struct Explanation {
    std::string reason;
    std::string hint;
};

// kbp_download's result (negative) with the text it left.
Explanation explain_download(int result, const std::string& status, const Route& route);
// kbp_upload's failure (0) with the text it left.
Explanation explain_upload(const std::string& status, const Route& route);

// The usual advice when no keyboard answers on a path.
std::string cable_hint(const Route& route);

}  // namespace kbptool
