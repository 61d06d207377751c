// The library's core linked into the program, as Linux and the simulated PC have it.
#include "hosts/kbp_library.h"

namespace kbptool {

KbpLibrary linked_library() {
    return {kbp_download, kbp_upload, kbp_set_interface, kbp_get_interface, kbp_snd_interface, "linked in", KBP_VERSION};
}

}  // namespace kbptool
