#pragma once
// kbp_download: sends a configuration image file into the keyboard's memory.
#include <cstdint>

#include "include/kbp_protocol.h"
#include "platform/abi.h"
#include "platform/platform.h"

namespace kbp {

using DownloadProgress = void(KBP_STDCALL*)(int percent);

struct DownloadState {
    DownloadProgress progress = nullptr;  // of the download in progress, or the last one
    bool operator==(const DownloadState&) const = default;
};
extern DownloadState download_state;

// The smallest image a download accepts, and the largest the 16-bit frame
// addresses can place.
constexpr std::int32_t kMinImageSize = KBP_IMAGE_MIN_SIZE;
constexpr std::int32_t kMaxImageSize = KBP_IMAGE_MAX_SIZE;

// The export: the file's size when every block went out, else a negative code.
std::int32_t kbp_download(const char* file, char* status, DownloadProgress progress);
// Opens, checks, sends and closes the image file: its size, -5, -6 or -7.
std::int32_t download_image(const char* file);
// The size of an open file; the position is left where it was.
std::int32_t image_file_size(platform::File file);
// The engine, from file offset 4: `size` when all of it went out, else 0.
std::int32_t send_image_blocks(platform::File file, std::int32_t size);

}  // namespace kbp
