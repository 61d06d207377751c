// read_block over any keystrokes the capture library hands back: the bytes
// are delivered only when the count, every digit key and both checksum digits
// are right, and then they are the bytes the keys spell.
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "kbpi32/upload/function_library.h"
#include "kbpi32/upload/read_transaction.h"
#include "platform/sim/sim.h"

namespace {

// The digit value of a make code, by the keyboard model's own table; -1 for no digit.
int digit_of(std::uint8_t code) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int v = 0; v < 16; ++v)
        if (code != 0 && kbdsim::make_code_of(static_cast<std::uint8_t>(kDigits[v])) == code) return v;
    return -1;
}

// What a correct decoding delivers; false when the answer must be refused.
bool expected_bytes(const std::vector<std::uint8_t>& codes, int count, int reported, std::uint8_t* bytes) {
    const int keys = 2 * count + 2;
    if (static_cast<int>(codes.size()) < keys || reported != keys) return false;
    int values[2 * kbp::kMaxReadCount + 2];
    for (int i = 0; i < keys; ++i) values[i] = digit_of(codes[i]);
    unsigned sum = 0;
    for (int i = 0; i < 2 * count; ++i) {
        if (values[i] < 0) return false;
        sum += static_cast<unsigned>(values[i]);
    }
    for (int k = 0; k < count; ++k) bytes[k] = static_cast<std::uint8_t>(values[2 * k] << 4 | values[2 * k + 1]);
    return values[2 * count] == static_cast<int>((sum & 0xFF) >> 4) && values[2 * count + 1] == static_cast<int>(sum & 0x0F);
}

kbdsim::Keyboard* typist = nullptr;
std::vector<std::uint8_t> to_type;

// The keys arrive once the capture is armed, as a keyboard would type them.
void type_when_armed() {
    if (typist == nullptr || !sim::capture_library_calls().armed || to_type.empty()) return;
    typist->typed.insert(typist->typed.end(), to_type.begin(), to_type.end());
    to_type.clear();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kbp_fuzz::Input in(data, size);
    sim::reset();
    kbp::reset_library_state();
    sim::install_function_library();
    kbp_fuzz::require(kbp::bind_function_library() == 0);

    const int count = 1 + in.byte() % kbp::kMaxReadCount;
    const std::uint8_t miscount = in.byte();
    const int count_error = (miscount & 0x80) != 0 ? (miscount & 0x07) - 4 : 0;
    sim::function_library().count_error = count_error;
    const std::string keys = in.rest();
    const std::vector<std::uint8_t> codes(keys.begin(), keys.end());

    // A keyboard on a COM port nobody opened: it only types.
    kbdsim::Keyboard keyboard;
    sim::com_port(1).keyboard = &keyboard;
    typist = &keyboard;
    to_type = codes;
    // Ahead of the capture library's own input, so the keys are taken in the same pass.
    auto& sources = sim::messages().input_sources;
    sources.insert(sources.begin(), type_when_armed);

    std::uint8_t bytes[kbp::kMaxReadCount + 1];
    std::memset(bytes, 0xA5, sizeof bytes);
    const std::uint8_t result = kbp::read_block(0x1234, count, bytes);
    typist = nullptr;
    kbp::release_function_library();

    std::uint8_t expected[kbp::kMaxReadCount] = {};
    const bool good = expected_bytes(codes, count, 2 * count + 2 + count_error, expected);
    kbp_fuzz::require(result == (good ? 0 : 1));
    if (good) kbp_fuzz::require(std::memcmp(bytes, expected, static_cast<std::size_t>(count)) == 0);
    kbp_fuzz::require(bytes[count] == 0xA5);
    return 0;
}
