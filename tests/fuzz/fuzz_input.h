#pragma once
// The fuzzer's bytes, taken field by field; past the end every field is zero.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace kbp_fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t word() {
        const std::uint8_t low = byte();
        return static_cast<std::uint16_t>(low | byte() << 8);
    }
    std::string text(std::size_t length) {
        std::string t;
        while (length-- > 0 && at_ < size_) t.push_back(static_cast<char>(data_[at_++]));
        return t;
    }
    std::string rest() { return text(size_ - at_); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A finding: stop where a sanitizer or the fuzzer reports it.
inline void require(bool holds) {
    if (!holds) std::abort();
}

}  // namespace kbp_fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
