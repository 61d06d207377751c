// Image files on the C runtime, which is linked into the DLL.
#include <cstdio>

#include "platform/platform.h"

namespace platform {

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

}  // namespace platform
