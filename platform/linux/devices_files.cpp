// Devices and image files on Linux. A COM port opens the tty the host mapped
// to its number; a hidraw node opens as the HID interface it is. The two
// keyboard drivers do not exist here, so they fail to open as on a PC
// without them, and no control call reaches any device.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/devices_files.h"
#include "platform/linux/com_port_map.h"
#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/host_settings.h"
#include "platform/linux/serial_line.h"
#include "platform/windows_model/com_ports.h"

namespace platform {

namespace {

using linux_backend::DeviceKind;

Handle open_hidraw(const std::string& path) {
    const std::optional<linux_backend::HidrawNode> node = linux_backend::hidraw_node_of(path);
    if (!node) return linux_backend::device_failed(ENOENT);
    const int fd = ::open(node->device_path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return linux_backend::device_failed(errno);
    // One transfer per keyboard, as a COM port: another kbptool's bytes would
    // land inside this one's frames.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return linux_backend::device_failed(error);
    }
    return linux_backend::add_open_device({DeviceKind::hidraw, fd, node->sysfs_device, {}});
}

// An interrupted transfer's devices take and give nothing more.
bool refused_while_interrupted() {
    if (!linux_backend::transfers_interrupted()) return false;
    linux_backend::note_device_error(ECANCELED);
    return true;
}

}  // namespace

Handle open_device(const char* name, std::uint32_t, std::uint32_t) {
    if (name == nullptr) return linux_backend::device_failed(ENOENT);
    if (const int n = windows_model::com_port_number(name); n != 0) {
        const std::string& device = linux_backend::com_port_map().devices[n];
        return device.empty() ? linux_backend::device_failed(ENOENT) : linux_backend::open_serial_line(device);
    }
    return open_hidraw(name);
}

bool close_handle(Handle handle) { return linux_backend::close_open_device(handle); }

bool device_control(Handle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t, std::uint32_t* returned) {
    if (returned != nullptr) *returned = 0;
    return false;
}

bool write_file(Handle handle, const void* data, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    linux_backend::OpenDevice* device = linux_backend::find_open_device(handle);
    if (device == nullptr || refused_while_interrupted()) return false;
    if (device->kind == DeviceKind::serial) return linux_backend::write_serial_line(*device, data, size, done);
    // A HID output report goes out whole in one write, or not at all.
    ssize_t n;
    do n = ::write(device->fd, data, size);
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        linux_backend::note_device_error(errno);
        return false;
    }
    if (done != nullptr) *done = std::uint32_t(n);
    return std::uint32_t(n) == size;
}

bool read_file(Handle handle, void* data, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    linux_backend::OpenDevice* device = linux_backend::find_open_device(handle);
    if (device == nullptr || refused_while_interrupted()) return false;
    if (device->kind == DeviceKind::serial) return linux_backend::read_serial_line(*device, data, size, done);
    const ssize_t n = ::read(device->fd, data, size);
    if (n < 0) {
        linux_backend::note_device_error(errno);
        return false;
    }
    if (done != nullptr) *done = std::uint32_t(n);
    return true;
}

File file_open(const char* path, const char* mode) { return std::fopen(path, mode); }

std::uint32_t file_read(File file, void* data, std::uint32_t size) {
    return static_cast<std::uint32_t>(std::fread(data, 1, size, static_cast<std::FILE*>(file)));
}

std::uint32_t file_write(File file, const void* data, std::uint32_t size) {
    return static_cast<std::uint32_t>(std::fwrite(data, 1, size, static_cast<std::FILE*>(file)));
}

static_assert(kSeekSet == SEEK_SET && kSeekEnd == SEEK_END);

bool file_seek(File file, std::int32_t offset, int origin) {
    return std::fseek(static_cast<std::FILE*>(file), offset, origin) == 0;
}

std::int32_t file_tell(File file) { return static_cast<std::int32_t>(std::ftell(static_cast<std::FILE*>(file))); }

bool file_close(File file) { return std::fclose(static_cast<std::FILE*>(file)) == 0; }

// As GetTempFileNameA: an empty file of a new name "kbpXXXX.tmp" in `folder`.
bool file_create_temporary(const char* folder, char* name) {
    const std::string pattern = std::string(folder) + "/kbpXXXXXX.tmp";
    if (pattern.size() + 1 > kMaxPath) return false;
    std::strcpy(name, pattern.c_str());
    const int fd = mkstemps(name, 4);
    if (fd < 0) return false;
    // mkstemps makes the file private; an image gets the rights any new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    ::close(fd);
    return true;
}

bool file_replace(const char* from, const char* to) {
    if (std::rename(from, to) != 0) return false;
    // Written through, as MOVEFILE_WRITE_THROUGH asks.
    const int fd = ::open(to, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        ::close(fd);
    }
    return true;
}

bool file_remove(const char* path) { return ::unlink(path) == 0; }

}  // namespace platform
