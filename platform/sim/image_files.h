#pragma once
// Image files on the simulated PC are real files of the host, so tests can
// write and read them; the simulated PC counts what is open.
#include <cstdint>
#include <limits>
#include <set>

namespace sim {

struct ImageFiles {
    std::set<void*> open;  // files opened and not yet closed
    unsigned opened = 0;
    unsigned closed = 0;
    unsigned temporaries_made = 0;  // by file_create_temporary
    // What the disk still takes. Bytes written past it are lost although the
    // writes and the close report success, as seen on a nearly full drive.
    std::uint64_t disk_space = std::numeric_limits<std::uint64_t>::max();
};

ImageFiles& image_files();

}  // namespace sim
