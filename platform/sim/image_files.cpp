#include "platform/sim/image_files.h"

#include <cstdio>

#include "platform/platform.h"

namespace sim {

ImageFiles& image_files() {
    static ImageFiles f;
    return f;
}

}  // namespace sim

namespace platform {

File file_open(const char* path, const char* mode) {
    if (path == nullptr || mode == nullptr) return nullptr;
    std::FILE* f = std::fopen(path, mode);
    if (f != nullptr) {
        sim::image_files().open.insert(f);
        ++sim::image_files().opened;
    }
    return f;
}

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

bool file_close(File file) {
    sim::image_files().open.erase(file);
    ++sim::image_files().closed;
    return std::fclose(static_cast<std::FILE*>(file)) == 0;
}

}  // namespace platform
