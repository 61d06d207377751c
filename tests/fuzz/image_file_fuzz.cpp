// kbp_download with any file as the image, to a keyboard on the controller
// ports: a file of 302 bytes to 64 KiB that begins with the magic arrives
// whole in the keyboard's memory; any other is refused before a byte is sent.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "include/kbpi32.h"
#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "platform/sim/sim.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = "/tmp/kbp_fuzz_image_" + std::to_string(getpid()) + ".kbp";
    std::FILE* out = std::fopen(file.c_str(), "wb");
    kbp_fuzz::require(out != nullptr);
    if (size > 0) std::fwrite(data, 1, size, out);
    std::fclose(out);

    sim::reset();
    kbp::reset_library_state();
    sim::install_function_library();
    kbdsim::Keyboard keyboard;
    keyboard.record_frames = false;
    keyboard.record_bytes = false;
    sim::controller().keyboard = &keyboard;
    kbp_set_interface(KBP_INTERFACE_PORTS);

    char status[128] = {};
    const int result = kbp_download(file.c_str(), status, nullptr);
    std::remove(file.c_str());

    const bool image = size >= 302 && size <= 0x10000 && std::memcmp(data, "Kelm", 4) == 0;
    kbp_fuzz::require(std::memchr(status, '\0', sizeof status) != nullptr);
    kbp_fuzz::require(sim::image_files().open.empty());
    if (!image) {
        kbp_fuzz::require(result == -6 && keyboard.good_frames == 0);
        return 0;
    }
    kbp_fuzz::require(result == static_cast<int>(size));
    kbp_fuzz::require(std::memcmp(keyboard.memory.data() + 4, data + 4, size - 4) == 0);
    return 0;
}
