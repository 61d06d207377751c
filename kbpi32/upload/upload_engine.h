#pragma once
// kbp_upload: reads the keyboard's configuration image, chunk by chunk, and
// writes it as an image file.
#include <array>
#include <cstdint>

#include "include/kbp_protocol.h"
#include "platform/abi.h"

namespace kbp {

using ProgressCallback = void(KBP_STDCALL*)(int percent);

constexpr std::size_t kImageBufferSize = KBP_UPLOAD_BUFFER_SIZE;
constexpr std::int32_t kProvisionalImageEnd = KBP_UPLOAD_FIRST_END;

struct UploadState {
    // Keyboard memory as read, by address; kept between uploads.
    std::array<std::uint8_t, kImageBufferSize> image_buffer{};
    std::uint8_t chunk_size = 0;     // KBP_UPLOAD_CHUNK, or KBP_UPLOAD_USB_CHUNK on USB
    std::int32_t read_offset = 0;    // address of the next chunk
    std::int32_t image_end = 0;      // address of the image's last byte
    std::int32_t failures = 0;       // failed reads since the start or the last prompt
    ProgressCallback upload_progress = nullptr;
    bool operator==(const UploadState&) const = default;
};
extern UploadState upload_state;

// The export: the image end on success, 0 on failure, -1 without a file name.
std::int32_t kbp_upload(const char* file, char* status, ProgressCallback progress);
// The upload once the interface is settled: progress, binding, reading, the file.
std::int32_t upload_image(const char* file, char* status, ProgressCallback progress);
// Reads keyboard memory from address 0 to the image end: that end, or 0 when
// the user cancelled at the prompt (or the image would not fit the buffer).
std::int32_t read_image();

}  // namespace kbp
