#include "upload_engine.h"

#include <cstring>

#include "include/kbp_protocol.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/usb_binding.h"
#include "kbpi32/common/held_quit.h"
#include "kbpi32/common/image_format.h"
#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/status.h"
#include "kbpi32/common/texts.h"
#include "kbpi32/upload/function_library.h"
#include "kbpi32/upload/read_transaction.h"
#include "platform/platform.h"

namespace kbp {

UploadState upload_state;

namespace {

constexpr std::uint8_t kChunk = KBP_UPLOAD_CHUNK;
constexpr std::uint8_t kUsbChunk = KBP_UPLOAD_USB_CHUNK;
constexpr int kFailuresBeforePrompt = 10;
constexpr std::int32_t kSmallestImageEnd = KBP_UPLOAD_SMALLEST_END;

void report_progress(int percent) {
    if (upload_state.upload_progress != nullptr) upload_state.upload_progress(percent);
}

// The image carries its end address, big-endian, in its end field.
void take_image_end() {
    UploadState& s = upload_state;
    if (s.image_end != kProvisionalImageEnd) return;
    s.image_end = s.image_buffer[kImageEndField] * 256 + s.image_buffer[kImageEndField + 1];
    if (s.image_end < kSmallestImageEnd) s.image_end = kProvisionalImageEnd;
}

// A chunk is stored whole, so the last one must end inside the buffer.
bool image_fits() {
    const UploadState& s = upload_state;
    return s.image_end <= KBP_UPLOAD_MAX_END(s.chunk_size);
}

// One chunk; stores it on success and reports progress whenever the capture
// could be armed.
void read_chunk() {
    UploadState& s = upload_state;
    std::uint8_t bytes[kChunk];
    const ReadOutcome outcome = read_transaction(s.read_offset, s.chunk_size, bytes);
    if (outcome != ReadOutcome::read) ++s.failures;
    if (outcome == ReadOutcome::not_armed) return;
    if (outcome == ReadOutcome::read) {
        std::memcpy(&s.image_buffer[static_cast<std::size_t>(s.read_offset)], bytes, s.chunk_size);
        s.read_offset += s.chunk_size;
        take_image_end();
    }
    report_progress(s.read_offset * 100 / s.image_end);
}

bool user_continues() {
    return platform::message_box(text::kUploadErrorPrompt, text::kContinueCaption, platform::kMbOkCancel) !=
           platform::kIdCancel;
}

// The folder of `path`, up to its last separator, as GetTempFileNameA takes
// it; "." when the path names none. False when it is too long.
bool folder_of(const char* path, char (&folder)[platform::kMaxPath]) {
    std::size_t end = 0;  // one past the last separator
    for (std::size_t i = 0; path[i] != '\0'; ++i)
        if (path[i] == '\\' || path[i] == '/' || path[i] == ':') end = i + 1;
    if (end == 0) {
        folder[0] = '.';
        end = 1;
    } else if (end >= sizeof folder) {
        return false;
    } else {
        std::memcpy(folder, path, end);
    }
    folder[end] = '\0';
    return true;
}

// The magic, then keyboard bytes 4..image end: file offset k holds address k.
bool write_image_bytes(platform::File out, std::int32_t image_end) {
    bool written = true;
    for (std::uint8_t byte : kImageMagic) written = written && platform::file_write(out, &byte, 1) == 1;
    if (written) {
        const auto length = static_cast<std::uint32_t>(image_end + 1 - kFirstImageAddress);
        // A short write (a full disk) must not pass for a finished upload.
        written = platform::file_write(out, &upload_state.image_buffer[kFirstImageAddress], length) == length;
    }
    return platform::file_close(out) && written;
}

// The size the file system holds: writes and a close that all reported
// success can still leave a file short on a full disk.
bool has_size(const char* path, std::int32_t size) {
    platform::File in = platform::file_open(path, "rb");
    if (in == nullptr) return false;
    const bool sized = platform::file_seek(in, 0, platform::kSeekEnd) && platform::file_tell(in) == size;
    platform::file_close(in);
    return sized;
}

// Writes the image into the temporary file: null when it is complete on disk,
// else the text of what failed.
const char* write_temporary(const char* temporary, std::int32_t image_end) {
    platform::File out = platform::file_open(temporary, "wb");
    if (out == nullptr) return text::kFileCreationFailed;
    if (!write_image_bytes(out, image_end) || !has_size(temporary, image_end + 1)) {
        note_cause(KBP_CAUSE_FILE_NOT_WRITTEN);
        return text::kCantWriteFile;
    }
    return nullptr;
}

// Written beside the caller's file under a temporary name, which replaces it
// only once every byte is on disk: a failing write leaves the old file as it was.
std::int32_t write_image_file(const char* file, std::int32_t image_end) {
    char folder[platform::kMaxPath];
    char temporary[platform::kMaxPath];
    if (!folder_of(file, folder) || !platform::file_create_temporary(folder, temporary)) {
        write_status(text::kFileCreationFailed, file);
        note_cause(KBP_CAUSE_FILE_NOT_CREATED);
        return KBP_UPLOAD_FAILED;
    }
    const char* failure = write_temporary(temporary, image_end);
    if (failure == nullptr && !platform::file_replace(temporary, file)) failure = text::kFileCreationFailed;
    if (failure == nullptr) return image_end;
    platform::file_remove(temporary);
    write_status(failure, file);
    note_cause(KBP_CAUSE_FILE_NOT_CREATED);  // unless it was the writing that failed
    return KBP_UPLOAD_FAILED;
}

}  // namespace

std::int32_t read_image() {
    UploadState& s = upload_state;
    s.chunk_size = interface_state.use_usb ? kUsbChunk : kChunk;
    s.read_offset = 0;
    s.image_end = kProvisionalImageEnd;
    s.failures = 0;
    while (s.read_offset <= s.image_end) {
        if (!image_fits()) {
            note_cause(KBP_CAUSE_IMAGE_TOO_LONG);
            return 0;
        }
        read_chunk();
        if (s.failures < kFailuresBeforePrompt) continue;
        if (!user_continues()) {
            note_cause(KBP_CAUSE_NO_ANSWER);
            return 0;
        }
        s.failures = 0;
    }
    return s.image_end;
}

std::int32_t upload_image(const char* file, char*, ProgressCallback progress) {
    upload_state.upload_progress = progress;
    report_progress(0);
    if (file == nullptr) {
        write_status("%s", text::kUploadNoFileSpecified);
        note_cause(KBP_CAUSE_NO_FILE_NAME);
        return KBP_UPLOAD_NO_FILE_NAME;
    }
    std::int32_t result = bind_function_library() == 0 ? read_image() : KBP_UPLOAD_FAILED;
    release_function_library();
    if (result == KBP_UPLOAD_FAILED)
        write_status("%s", text::kUploadError);
    else
        result = write_image_file(file, result);
    report_progress(result != KBP_UPLOAD_FAILED ? 100 : 0);
    return result;
}

std::int32_t kbp_upload(const char* file, char* status, ProgressCallback progress) {
    status_state.current_status = status;
    begin_transfer_report();
    if (status != nullptr && std::strncmp(status, KBP_PORT_TEXT_USB, sizeof KBP_PORT_TEXT_USB - 1) == 0) {
        interface_state.use_usb = 1;
        interface_state.interface_chosen = 1;
        if (usb_bind() != 0) {
            write_status("%s", text::kUsbLibraryNotFound);
            note_cause(KBP_CAUSE_USB_LIBRARY);
            return KBP_UPLOAD_FAILED;
        }
    }
    ensure_interface_chosen();
    const std::int32_t result = upload_image(file, status, progress);
    if (interface_state.use_usb) usb_release();
    post_held_quit();
    return result;
}

}  // namespace kbp
