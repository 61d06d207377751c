// kbp_download with any file as the image, to a keyboard on the controller
// ports: a file of 302 bytes to 64 KiB that begins with the magic arrives
// whole in the keyboard's memory; any other is refused before a byte is sent.
// With any one file call failing once, success is still only ever reported
// for the whole file, and the file is closed.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "include/kbpi32.h"
#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "platform/sim/sim.h"

namespace {

constexpr sim::Call kFileCalls[] = {
    sim::Call::file_open, sim::Call::file_read, sim::Call::file_seek, sim::Call::file_tell, sim::Call::file_close,
};
constexpr std::size_t kCallCount = sizeof kFileCalls / sizeof kFileCalls[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t bytes_size) {
    // Bytes 0 and 1: which file call fails, and at which use (0: none); the rest is the file.
    kbp_fuzz::Input in(bytes, bytes_size);
    const std::uint8_t fault = in.byte();
    const std::uint8_t fault_at = in.byte();
    const bool faulty = fault != 0 && fault <= kCallCount;
    const std::uint8_t* data = bytes_size > 2 ? bytes + 2 : bytes;
    const std::size_t size = bytes_size > 2 ? bytes_size - 2 : 0;

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
    if (faulty) sim::faults().fail_once(kFileCalls[fault - 1], fault_at);
    const int result = kbp_download(file.c_str(), status, nullptr);
    std::remove(file.c_str());

    const bool image = size >= 302 && size <= 0x10000 && std::memcmp(data, "Kelm", 4) == 0;
    kbp_fuzz::require(std::memchr(status, '\0', sizeof status) != nullptr);
    kbp_fuzz::require(sim::image_files().open.empty());
    if (faulty && result < 0) return 0;
    if (!image) {
        kbp_fuzz::require(result == -6 && keyboard.good_frames == 0);
        return 0;
    }
    kbp_fuzz::require(result == static_cast<int>(size));
    kbp_fuzz::require(std::memcmp(keyboard.memory.data() + 4, data + 4, size - 4) == 0);
    return 0;
}
