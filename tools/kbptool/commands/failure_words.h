#pragma once
// What a failed transfer means for the technician: what the keyboard now
// holds, why, in the tool's words, and one line of what to check or try. The
// library's own text stays as it came.
#include <string>
#include <vector>

#include "commands/route.h"
#include "output/library_boxes.h"

namespace kbptool {

struct Explanation {
    std::string happened;  // what the keyboard now holds; empty: the library's text says it
    std::string reason;
    std::string hint;
};

// Image bytes (from the first image address on) a download wrote into the
// keyboard, of all it had to write.
struct Written {
    long bytes = 0;
    long of = 0;
    bool all() const { return of > 0 && bytes == of; }
};

// kbp_download's result (negative) with the text it left and what was written.
Explanation explain_download(int result, const std::string& status, const Route& route, const Written& written);
// kbp_upload's failure (0) with the text it left and the boxes the library
// showed during the call; `with_port`: the command takes --port.
Explanation explain_upload(const std::string& status, const std::vector<ShownBox>& boxes, const Route& route,
                           bool with_port);

// The usual advice when no keyboard answers on a path; `with_port`: the
// command takes --port.
std::string cable_hint(const Route& route, bool with_port);
// "--interface ports|class|portdriver": the paths besides USB an interface
// kind chooses that this system has; empty where it has none.
std::string other_interfaces();

}  // namespace kbptool
