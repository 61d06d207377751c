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
    return end < KBP_UPLOAD_SMALLEST_END ? KBP_UPLOAD_FIRST_END : end;
}

std::string end_field_bytes() { return "bytes " + std::to_string(kEndField) + ".." + std::to_string(kEndField + 1); }

namespace {
std::string size_and_end(const Bytes& image, unsigned end) {
    return "the file has " + std::to_string(image.size()) + " bytes but its end field (" + end_field_bytes() + ") says " +
           std::to_string(end);
}
}  // namespace

std::string cut_short(const Bytes& image) {
    const std::optional<unsigned> end = stored_end(image);
    if (!end || image.size() >= std::size_t{*end} + 1) return {};
    return size_and_end(image, *end) + ", which needs " + std::to_string(*end + 1);
}

std::string runs_past_end(const Bytes& image) {
    const std::optional<unsigned> end = stored_end(image);
    if (!end || image.size() <= std::size_t{*end} + 1) return {};
    return size_and_end(image, *end) + ": the keyboard ignores the " + std::to_string(image.size() - *end - 1) +
           " bytes past address " + std::to_string(*end);
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
    const std::size_t longest = std::max(image.size(), read_back.size());
    auto at = [](const Bytes& b, std::size_t a) { return a < b.size() ? std::optional<std::uint8_t>(b[a]) : std::nullopt; };
    for (std::size_t a = 4; a < longest; ++a)
        if (at(image, a) != at(read_back, a)) return Difference{a, at(image, a), at(read_back, a)};
    return std::nullopt;
}
}  // namespace kbptool
