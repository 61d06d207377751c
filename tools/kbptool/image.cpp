#include "image.h"


namespace kbptool {

namespace {
constexpr std::uint8_t kMagic[4] = {'K', 'e', 'l', 'm'};
}

std::string download_refusal(const Bytes& image) {
    if (image.size() < kMinImageSize) return "shorter than 302 bytes";
    if (image.size() > kMaxImageSize) return "longer than 65536 bytes";
    for (std::size_t i = 0; i < 4; ++i)
        if (image[i] != kMagic[i]) return "does not begin with \"Kelm\"";
    return {};
}

std::optional<unsigned> stored_end(const Bytes& image) {
    if (image.size() < 8) return std::nullopt;
    return unsigned(image[6]) << 8 | image[7];
}

unsigned read_back_end(const Bytes& image) {
    const unsigned end = stored_end(image).value_or(0);
    return end < 10 ? kUploadFirstEnd : end;
}

std::string end_field_disagreement(const Bytes& image) {
    const std::optional<unsigned> end = stored_end(image);
    if (!end || std::size_t{*end} + 1 == image.size()) return {};
    return "the image end field (bytes 6..7) says " + std::to_string(*end) + ", so an upload reads addresses 0.." +
           std::to_string(read_back_end(image)) + ", but the file has " + std::to_string(image.size()) +
           " bytes (end " + std::to_string(image.size() - 1) + ")";
}

Bytes make_image(unsigned end) {
    Bytes image(std::size_t{end} + 1);
    for (std::size_t a = 0; a < image.size(); ++a) image[a] = static_cast<std::uint8_t>(a * 7 + 3);
    for (std::size_t i = 0; i < 4; ++i) image[i] = kMagic[i];
    image[6] = static_cast<std::uint8_t>(end >> 8);
    image[7] = static_cast<std::uint8_t>(end);
    return image;
}

std::optional<Difference> first_difference(const Bytes& image, const Bytes& read_back) {
    const std::size_t longest = image.size() > read_back.size() ? image.size() : read_back.size();
    auto at = [](const Bytes& b, std::size_t a) -> std::optional<std::uint8_t> {
        if (a < b.size()) return b[a];
        return std::nullopt;
    };
    for (std::size_t a = 4; a < longest; ++a)
        if (at(image, a) != at(read_back, a)) return Difference{a, at(image, a), at(read_back, a)};
    return std::nullopt;
}

}  // namespace kbptool
