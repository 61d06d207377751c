#pragma once
// Configuration image files: the magic, then keyboard memory from its first
// image address on; the image end (its last keyboard address) big-endian in the end field.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "files/file_access.h"
#include "include/kbp_protocol.h"

namespace kbptool {
constexpr std::size_t kMinImageSize = KBP_IMAGE_MIN_SIZE;
constexpr std::size_t kMaxImageSize = KBP_IMAGE_MAX_SIZE;
// The upload reads chunk by chunk into its buffer: every chunk must fit.
constexpr unsigned upload_chunk(bool usb) { return usb ? KBP_UPLOAD_USB_CHUNK : KBP_UPLOAD_CHUNK; }
constexpr unsigned max_upload_end(bool usb) { return KBP_UPLOAD_MAX_END(upload_chunk(usb)); }

// An image file as the tool reads it: one byte past the largest image at most,
// enough to refuse a longer one, whatever its size (given in `size`).
inline bool read_image_file(const std::string& path, Bytes& image, FileError& error, std::uintmax_t& size) {
    return read_regular_file(path, image, error, kMaxImageSize + 1, &size);
}

// Why a download would refuse the image; empty when it would send it.
std::string download_refusal(const Bytes& image);
// The image end stored in the end field; none when the file is shorter.
std::optional<unsigned> stored_end(const Bytes& image);
// "bytes 6..7": where the end field is in the file.
std::string end_field_bytes();
// The last address an upload of the image, once downloaded, reads back: the
// end an upload assumes until the end field is read, where that is below the smallest.
unsigned read_back_end(const Bytes& image);
// The file is shorter than its end field says (the keyboard would take the
// addresses past the file as part of its image), or goes on past it (the
// keyboard ignores those bytes): why, with both numbers; empty when it does not.
std::string cut_short(const Bytes& image);
std::string runs_past_end(const Bytes& image);

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
