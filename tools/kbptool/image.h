#pragma once
// Configuration image files: "Kelm", then keyboard memory from address 4; the
// image end (its last keyboard address) big-endian at bytes 6..7.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kbptool {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMinImageSize = 302;
constexpr std::size_t kMaxImageSize = 65536;
// The upload reads into a 9000-byte buffer in 16-byte chunks.
constexpr unsigned kMaxUploadEnd = 8991;

std::optional<Bytes> read_file(const std::string& path);
// Puts `from` in the place of `to`, replacing it.
bool move_into_place(const std::string& from, const std::string& to);
// Writes through a temporary file beside `path`, renamed into place.
bool write_file_atomically(const std::string& path, const Bytes& bytes);

// Why a download would refuse the image; empty when it would send it.
std::string download_refusal(const Bytes& image);
// The image end stored at bytes 6..7; none when the file is shorter.
std::optional<unsigned> stored_end(const Bytes& image);

// A valid image whose end is `end`: the magic, the end field, a pattern.
Bytes make_image(unsigned end);

struct Difference {
    std::size_t address;
    std::optional<std::uint8_t> in_image;     // none: past the image's end
    std::optional<std::uint8_t> in_keyboard;  // none: past what was read back
};
// The first keyboard address from 4 on where the two images differ.
std::optional<Difference> first_difference(const Bytes& image, const Bytes& read_back);

}  // namespace kbptool
