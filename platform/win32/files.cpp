// Devices and files: CreateFileA, DeviceIoControl, ReadFile, WriteFile, CloseHandle.
#include <windows.h>

#include "platform/platform.h"

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

}  // namespace platform
