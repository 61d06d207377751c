#include "image.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kbptool {

namespace {
constexpr std::uint8_t kMagic[4] = {'K', 'e', 'l', 'm'};
}

std::optional<Bytes> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}

bool write_file_atomically(const std::string& path, const Bytes& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (!move_into_place(temporary, path)) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool move_into_place(const std::string& from, const std::string& to) {
    std::error_code error;
    std::filesystem::rename(from, to, error);
    if (error) {  // where a rename does not replace an existing file
        std::filesystem::remove(to, error);
        std::filesystem::rename(from, to, error);
    }
    return !error;
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
