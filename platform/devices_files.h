#pragma once
// The platform contract: devices (CreateFileA, DeviceIoControl, ReadFile, WriteFile,
// CloseHandle) and image files (the C runtime's fopen family).
#include <cstdint>

namespace platform {

// An open device, COM port or HID interface (a Win32 HANDLE).
using Handle = void*;
// What a failed open returns (INVALID_HANDLE_VALUE).
inline Handle invalid_handle() { return reinterpret_cast<Handle>(~std::uintptr_t{0}); }

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kShareNone = 0;
constexpr std::uint32_t kShareRead = 1;
constexpr std::uint32_t kShareWrite = 2;

// CreateFileA(name, access, share, no security, OPEN_EXISTING, no flags, no
// template). invalid_handle() when the device cannot be opened.
Handle open_device(const char* name, std::uint32_t access, std::uint32_t share);
bool close_handle(Handle handle);
// DeviceIoControl without overlapped I/O.
bool device_control(Handle handle, std::uint32_t code, const void* in, std::uint32_t in_size,
                    void* out, std::uint32_t out_size, std::uint32_t* returned);
// Synchronous WriteFile / ReadFile; `done` receives the count moved.
bool write_file(Handle handle, const void* data, std::uint32_t size, std::uint32_t* done);
bool read_file(Handle handle, void* data, std::uint32_t size, std::uint32_t* done);

// Image files: the C runtime's buffered files in binary mode (fopen, fread,
// fwrite, fseek, ftell, fclose).
using File = void*;  // a FILE*; null when a file could not be opened
// fopen: null when the file cannot be opened. `mode` is "rb" or "wb".
File file_open(const char* path, const char* mode);
// fread / fwrite of `size` bytes: the count moved.
std::uint32_t file_read(File file, void* data, std::uint32_t size);
std::uint32_t file_write(File file, const void* data, std::uint32_t size);
// fseek with SEEK_SET or SEEK_END: true on success.
constexpr int kSeekSet = 0;
constexpr int kSeekEnd = 2;
bool file_seek(File file, std::int32_t offset, int origin);
// ftell: the position, -1 on failure.
std::int32_t file_tell(File file);
// fclose: true when the file was closed (it is gone either way).
bool file_close(File file);

// The longest file name the system takes (MAX_PATH), terminator included.
constexpr std::uint32_t kMaxPath = 260;
// GetTempFileNameA(folder, "kbp", 0, name): creates an empty file of a new,
// unique name in `folder` ("." for the current one) and puts its name, at most
// kMaxPath bytes with the terminator, into `name`. False when none was made.
bool file_create_temporary(const char* folder, char* name);
// MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH): a
// rename within one folder that replaces `to` if it exists. False when `to`
// is left as it was.
bool file_replace(const char* from, const char* to);
// DeleteFileA.
bool file_remove(const char* path);

}  // namespace platform
