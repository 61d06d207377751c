// The keyboard model on any byte stream: every byte is answered, only frames
// that check out reach memory or make it type, and a read request is answered
// with exactly its count of digit keys and the two checksum keys.
#include <array>

#include "fuzz_input.h"
#include "kbdsim/keyboard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static kbdsim::Keyboard keyboard;
    keyboard = kbdsim::Keyboard{};
    for (std::size_t i = 0; i < size; ++i) kbp_fuzz::require(keyboard.receive(data[i]).present);

    static std::array<std::uint8_t, 0x10000> memory;
    memory.fill(0);
    std::size_t keys = 0;
    for (const kbdsim::Frame& f : keyboard.frames) {
        if (!f.good) continue;
        if (f.command == kbdsim::kReadRequest) keys += 2u * f.count + 2;
        if (f.command != kbdsim::kWriteBlock) continue;
        kbp_fuzz::require(f.data.size() == f.count);
        for (std::size_t i = 0; i < f.data.size(); ++i) memory[(f.address + i) & 0xFFFF] = f.data[i];
    }
    kbp_fuzz::require(keyboard.good_frames + keyboard.bad_frames == keyboard.frames.size());
    kbp_fuzz::require(keyboard.typed.size() == keys);
    kbp_fuzz::require(memory == keyboard.memory);
    return 0;
}
