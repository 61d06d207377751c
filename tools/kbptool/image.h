#pragma once
// Configuration image files: "Kelm", then keyboard memory from address 4; the
// image end (its last keyboard address) big-endian at bytes 6..7.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "file_access.h"

namespace kbptool {

constexpr std::size_t kMinImageSize = 302;
constexpr std::size_t kMaxImageSize = 65536;
// The upload reads into a 9000-byte buffer, in 16-byte chunks (8 on USB):
// every chunk must fit, so the image end can be at most 8991 (8999 on USB).
constexpr unsigned kUploadBufferSize = 9000;
constexpr unsigned upload_chunk(bool usb) { return usb ? 8 : 16; }
constexpr unsigned max_upload_end(bool usb) { return kUploadBufferSize / upload_chunk(usb) * upload_chunk(usb) - 1; }
// The end an upload assumes until the image's own end field is read, and
// keeps when that field is below 10.
constexpr unsigned kUploadFirstEnd = 1000;

// Why a download would refuse the image; empty when it would send it.
std::string download_refusal(const Bytes& image);
// The image end stored at bytes 6..7; none when the file is shorter.
std::optional<unsigned> stored_end(const Bytes& image);
// The last address an upload of the image, once downloaded, reads back.
unsigned read_back_end(const Bytes& image);
// Why the image's end field and its size disagree; empty when they agree.
std::string end_field_disagreement(const Bytes& image);

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
