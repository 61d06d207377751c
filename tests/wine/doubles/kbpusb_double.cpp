// A KBPUSB.DLL that delivers every byte to the keyboard model instead of a USB
// device, with exports to inspect what the model received and decoded and to
// take the keys it typed (the KBPFUNC.DLL double captures them from here).
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "kbdsim/keyboard.h"

namespace {

// KBP_DOUBLE_MEMORY names a file (in Windows' terms: Z:/tmp/...) that keeps
// the keyboard's memory from one program to the next, as a real keyboard's.
const char* memory_file() { return std::getenv("KBP_DOUBLE_MEMORY"); }

struct KeptKeyboard {
    KeptKeyboard() {
        if (memory_file() == nullptr) return;
        if (std::FILE* in = std::fopen(memory_file(), "rb")) {
            const std::size_t n = std::fread(keyboard.memory.data(), 1, keyboard.memory.size(), in);
            (void)n;
            std::fclose(in);
        }
    }
    ~KeptKeyboard() {
        if (memory_file() == nullptr) return;
        if (std::FILE* out = std::fopen(memory_file(), "wb")) {
            std::fwrite(keyboard.memory.data(), 1, keyboard.memory.size(), out);
            std::fclose(out);
        }
    }
    kbdsim::Keyboard keyboard;
};

kbdsim::Keyboard& model() {
    static KeptKeyboard kept;
    return kept.keyboard;
}
bool refusing = false;
bool open = false;

}  // namespace

extern "C" {

unsigned char __stdcall snddata_USB(int value) {
    if (refusing) {
        open = false;
        return 1;
    }
    open = true;
    model().receive(static_cast<std::uint8_t>(value));
    return 0;
}

unsigned char __stdcall Close_USB(void) {
    if (!open) return 1;
    open = false;
    return 0;
}

void __stdcall double_reset(void) {
    model() = kbdsim::Keyboard{};
    refusing = false;
    open = false;
}

// While set, every byte is refused as by an unplugged keyboard.
void __stdcall double_refuse(int refuse) { refusing = refuse != 0; }

// Copies up to `capacity` of the bytes received; returns how many were received.
unsigned __stdcall double_received(unsigned char* out, unsigned capacity) {
    const auto& received = model().received;
    for (unsigned i = 0; i < capacity && i < received.size(); ++i) out[i] = received[i];
    return static_cast<unsigned>(received.size());
}

// Hands over up to `capacity` of the keys the keyboard typed in answer to read
// requests (make codes, oldest first) and forgets them; returns how many.
unsigned __stdcall double_take_typed(unsigned char* out, unsigned capacity) {
    auto& typed = model().typed;
    unsigned n = 0;
    for (; n < capacity && !typed.empty(); ++n) {
        out[n] = typed.front();
        typed.pop_front();
    }
    return n;
}

// Copies `count` bytes of the keyboard's memory from `address` on.
void __stdcall double_memory(unsigned address, unsigned char* out, unsigned count) {
    for (unsigned i = 0; i < count; ++i) out[i] = model().memory[(address + i) % model().memory.size()];
}

// Frame `index` as decoded: 1 good, 0 bad, -1 no such frame.
int __stdcall double_frame(unsigned index, unsigned char* command, unsigned* address, unsigned* count) {
    const auto& frames = model().frames;
    if (index >= frames.size()) return -1;
    *command = frames[index].command;
    *address = frames[index].address;
    *count = frames[index].count;
    return frames[index].good ? 1 : 0;
}

}  // extern "C"
