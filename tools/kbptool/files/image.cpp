#include "files/image.h"

#include <algorithm>
#include <string_view>

namespace kbptool {

namespace {
constexpr std::string_view kMagic = KBP_IMAGE_MAGIC;
constexpr std::size_t kEndField = KBP_IMAGE_END_FIELD;
}

std::string download_refusal(const Bytes& image) {
    if (image.size() < kMinImageSize) return "shorter than " + std::to_string(kMinImageSize) + " bytes";
    if (image.size() > kMaxImageSize) return "longer than " + std::to_string(kMaxImageSize) + " bytes";
    if (!std::equal(kMagic.begin(), kMagic.end(), image.begin()))
        return "does not begin with \"" + std::string(kMagic) + "\"";
    return {};
}

std::optional<unsigned> stored_end(const Bytes& image) {
    if (image.size() < kEndField + 2) return std::nullopt;
    return unsigned(image[kEndField]) << 8 | image[kEndField + 1];
}

unsigned read_back_end(const Bytes& image) {
    const unsigned end = stored_end(image).value_or(0);
    return end < KBP_UPLOAD_SMALLEST_END ? kUploadFirstEnd : end;
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
    std::copy(kMagic.begin(), kMagic.end(), image.begin());
    image[kEndField] = static_cast<std::uint8_t>(end >> 8);
    image[kEndField + 1] = static_cast<std::uint8_t>(end);
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
