// Devices of the simulated PC through its handle table, and image files as host files.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/devices_files.h"
#include "platform/sim/devices.h"
#include "platform/sim/faults.h"
#include "platform/sim/image_files.h"

namespace platform {

namespace {
bool refuses(sim::Call call) { return sim::faults().refuses(call); }
}  // namespace

Handle open_device(const char* name, std::uint32_t access, std::uint32_t share) {
    if (refuses(sim::Call::open_device)) {
        ++sim::devices().failed_opens;
        return invalid_handle();
    }
    return sim::devices().open(name, access, share);
}

// A refused close leaves the handle open.
bool close_handle(Handle handle) { return !refuses(sim::Call::close_handle) && sim::devices().close(handle); }

bool device_control(Handle handle, std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                    std::uint32_t out_size, std::uint32_t* returned) {
    if (refuses(sim::Call::device_control)) {
        if (returned != nullptr) *returned = 0;
        return false;
    }
    sim::Device* d = sim::devices().lookup(handle);
    return d != nullptr && d->control(code, in, in_size, out, out_size, returned);
}

bool write_file(Handle handle, const void* data, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    if (refuses(sim::Call::write_file)) return false;
    sim::Device* d = sim::devices().lookup(handle);
    return d != nullptr && d->write(data, size, done);
}

bool read_file(Handle handle, void* data, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    if (refuses(sim::Call::read_file)) return false;
    sim::Device* d = sim::devices().lookup(handle);
    return d != nullptr && d->read(data, size, done);
}

static_assert(kSeekSet == SEEK_SET && kSeekEnd == SEEK_END);

File file_open(const char* path, const char* mode) {
    if (refuses(sim::Call::file_open) || path == nullptr || mode == nullptr) return nullptr;
    std::FILE* f = std::fopen(path, mode);
    if (f != nullptr) {
        sim::image_files().open.insert(f);
        ++sim::image_files().opened;
    }
    return f;
}

// A refused read or write moves nothing: the short count of a failing fread or fwrite.
std::uint32_t file_read(File file, void* data, std::uint32_t size) {
    if (refuses(sim::Call::file_read)) return 0;
    return static_cast<std::uint32_t>(std::fread(data, 1, size, static_cast<std::FILE*>(file)));
}

std::uint32_t file_write(File file, const void* data, std::uint32_t size) {
    if (refuses(sim::Call::file_write)) return 0;
    std::uint64_t& space = sim::image_files().disk_space;
    const auto kept = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, space));
    space -= kept;
    const auto written = static_cast<std::uint32_t>(std::fwrite(data, 1, kept, static_cast<std::FILE*>(file)));
    return written == kept ? size : written;
}

bool file_seek(File file, std::int32_t offset, int origin) {
    if (refuses(sim::Call::file_seek)) return false;
    return std::fseek(static_cast<std::FILE*>(file), offset, origin) == 0;
}

std::int32_t file_tell(File file) {
    if (refuses(sim::Call::file_tell)) return -1;
    return static_cast<std::int32_t>(std::ftell(static_cast<std::FILE*>(file)));
}

// As with fclose, the file is gone even when the close fails.
bool file_close(File file) {
    const bool refused = refuses(sim::Call::file_close);
    sim::image_files().open.erase(file);
    ++sim::image_files().closed;
    return std::fclose(static_cast<std::FILE*>(file)) == 0 && !refused;
}

// A new empty file of a unique name in the folder, as GetTempFileNameA makes one.
bool file_create_temporary(const char* folder, char* name) {
    if (refuses(sim::Call::file_create_temporary) || folder == nullptr) return false;
    std::string pattern = *folder != '\0' ? folder : ".";
    if (pattern.back() != '/') pattern += '/';
    pattern += "kbpXXXXXX";
    if (pattern.size() >= kMaxPath) return false;
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) return false;
    close(descriptor);
    std::memcpy(name, pattern.c_str(), pattern.size() + 1);
    ++sim::image_files().temporaries_made;
    return true;
}

bool file_replace(const char* from, const char* to) {
    return !refuses(sim::Call::file_replace) && std::rename(from, to) == 0;
}

bool file_remove(const char* path) { return !refuses(sim::Call::file_remove) && std::remove(path) == 0; }

}  // namespace platform
