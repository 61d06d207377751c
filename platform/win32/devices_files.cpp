// Devices and files: CreateFileA, DeviceIoControl, ReadFile, WriteFile, CloseHandle,
// and image files on the C runtime, which is linked into the DLL.
#include <windows.h>

#include <cstdio>

#include "platform/devices_files.h"

namespace platform {

Handle open_device(const char* name, std::uint32_t access, std::uint32_t share) {
    return CreateFileA(name, access, share, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool close_handle(Handle handle) { return CloseHandle(handle) != FALSE; }

bool device_control(Handle handle, std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                    std::uint32_t out_size, std::uint32_t* returned) {
    DWORD count = 0;
    const BOOL ok = DeviceIoControl(handle, code, const_cast<void*>(in), in_size, out, out_size, &count, nullptr);
    if (returned != nullptr) *returned = count;
    return ok != FALSE;
}

bool write_file(Handle handle, const void* data, std::uint32_t size, std::uint32_t* done) {
    DWORD count = 0;
    const BOOL ok = WriteFile(handle, data, size, &count, nullptr);
    if (done != nullptr) *done = count;
    return ok != FALSE;
}

bool read_file(Handle handle, void* data, std::uint32_t size, std::uint32_t* done) {
    DWORD count = 0;
    const BOOL ok = ReadFile(handle, data, size, &count, nullptr);
    if (done != nullptr) *done = count;
    return ok != FALSE;
}

static_assert(kSeekSet == SEEK_SET && kSeekEnd == SEEK_END);

File file_open(const char* path, const char* mode) { return std::fopen(path, mode); }

std::uint32_t file_read(File file, void* data, std::uint32_t size) {
    return static_cast<std::uint32_t>(std::fread(data, 1, size, static_cast<std::FILE*>(file)));
}

std::uint32_t file_write(File file, const void* data, std::uint32_t size) {
    return static_cast<std::uint32_t>(std::fwrite(data, 1, size, static_cast<std::FILE*>(file)));
}

bool file_seek(File file, std::int32_t offset, int origin) {
    return std::fseek(static_cast<std::FILE*>(file), offset, origin) == 0;
}

std::int32_t file_tell(File file) { return static_cast<std::int32_t>(std::ftell(static_cast<std::FILE*>(file))); }

bool file_close(File file) { return std::fclose(static_cast<std::FILE*>(file)) == 0; }

static_assert(kMaxPath == MAX_PATH);

bool file_create_temporary(const char* folder, char* name) { return GetTempFileNameA(folder, "kbp", 0, name) != 0; }

bool file_replace(const char* from, const char* to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

bool file_remove(const char* path) { return DeleteFileA(path) != FALSE; }

}  // namespace platform
