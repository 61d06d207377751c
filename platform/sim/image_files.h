#pragma once
// Image files on the simulated PC are real files of the host, so tests can
// write and read them; the simulated PC counts what is open.
#include <set>

namespace sim {

struct ImageFiles {
    std::set<void*> open;  // files opened and not yet closed
    unsigned opened = 0;
    unsigned closed = 0;
};

ImageFiles& image_files();

}  // namespace sim
