// What the hosts with the library's core linked in (Linux, the simulated PC)
// do alike: the library is there, it opens every file by the person's own
// name, and a serial port's trouble is told by the library.
#include "hosts/host.h"

namespace kbptool::host {
bool load(Library& library, Failure&) {
#define KBPTOOL_LINKED_CALL(member, name) library.member = &name;
    KBPTOOL_LIBRARY_CALLS(KBPTOOL_LINKED_CALL)
#undef KBPTOOL_LINKED_CALL
    library.location = "linked in";
    library.version = KBP_VERSION;
    return true;
}

bool give_file(const std::string& file, bool, std::string& name, std::string&) {
    name = file;
    return true;
}

bool take_file(const std::string&, const std::string&, bool, std::string&) { return true; }

std::optional<Failure> port_refusal(const kbp_port_text&) { return std::nullopt; }
}  // namespace kbptool::host
