// The line settings of a port text: whatever the text, the parse reads no
// further than its terminator and accepts only settings a COM port can take.
#include <cstring>
#include <memory>

#include "fuzz_input.h"
#include "kbpi32/channel/serial_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Exactly the text and its terminator, so a read past it is caught.
    const auto text = std::make_unique<char[]>(size + 1);
    if (size > 0) std::memcpy(text.get(), data, size);
    text[size] = '\0';

    kbp::LineSettings settings;
    if (kbp::parse_line_settings(text.get(), settings)) {
        kbp_fuzz::require(settings.rate >= 300 && settings.rate <= 99999 && settings.rate % 300 == 0);
        kbp_fuzz::require(settings.parity <= 2);
        kbp_fuzz::require(settings.data_bits == 7 || settings.data_bits == 8);
    }
    return 0;
}
