#pragma once
// Configuration image files: the magic, then keyboard memory from its first
// image address on; the image end (its last keyboard address) big-endian in the end field.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/file_access.h"
#include "include/kbp_protocol.h"

namespace kbptool {

constexpr std::size_t kMinImageSize = KBP_IMAGE_MIN_SIZE;
constexpr std::size_t kMaxImageSize = KBP_IMAGE_MAX_SIZE;
// The upload reads chunk by chunk into its buffer: every chunk must fit.
constexpr unsigned upload_chunk(bool usb) { return usb ? KBP_UPLOAD_USB_CHUNK : KBP_UPLOAD_CHUNK; }
constexpr unsigned max_upload_end(bool usb) { return KBP_UPLOAD_MAX_END(upload_chunk(usb)); }
// The end an upload assumes until the image's own end field is read, and
// keeps when that field is below KBP_UPLOAD_SMALLEST_END.
constexpr unsigned kUploadFirstEnd = KBP_UPLOAD_FIRST_END;

// Why a download would refuse the image; empty when it would send it.
std::string download_refusal(const Bytes& image);
// The image end stored at bytes 6..7; none when the file is shorter.
std::optional<unsigned> stored_end(const Bytes& image);
// The last address an upload of the image, once downloaded, reads back.
unsigned read_back_end(const Bytes& image);
// "bytes 6..7": where the end field is in the file.
std::string end_field_bytes();
// Whether the file has the end field's end + 1 bytes (or is too short to have one).
bool end_field_agrees(const Bytes& image);
// The file is shorter than its end field says: the keyboard would take the
// addresses past the file as part of its image. Why, with both numbers; empty
// when the file holds all of it.
std::string cut_short(const Bytes& image);
// The file goes on past its end field: the keyboard ignores those bytes. How
// many, with both numbers; empty when it does not.
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
