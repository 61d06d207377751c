// The library's core linked into the program, as Linux and the simulated PC have it.
#include "hosts/host.h"

namespace kbptool {

Library linked_library() {
    return {kbp_download,          kbp_upload,         kbp_set_interface, kbp_get_interface, kbp_snd_interface,
            kbp_get_last_transfer, kbp_read_port_text, "linked in",       KBP_VERSION};
}

}  // namespace kbptool
