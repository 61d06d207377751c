#include "device_files.h"

#include <fcntl.h>
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "sysfs_tree.h"

namespace kbdsim_hid {

namespace {

// What each open hidraw file keeps of the input reports it has not read.
constexpr std::size_t kHidrawReportsKept = 64;
constexpr std::size_t kEventBytes = sizeof(input_event);

OpenFile* file_of(DeviceFiles& files, const fuse_file_info* fi) {
    const auto found = files.open.find(fi->fh);
    return found == files.open.end() ? nullptr : &found->second;
}

// What a read takes: as many whole events as fit, or one input report.
std::string take_records(OpenFile& file, std::size_t size) {
    std::string out;
    if (!file.event_node) {
        out = file.records.front().substr(0, size);
        file.records.pop_front();
        return out;
    }
    while (!file.records.empty() && out.size() + kEventBytes <= size) {
        out += file.records.front();
        file.records.pop_front();
    }
    return out;
}

// A read with nothing to take: the errno it ends with, or 0 when it waits.
int nothing_to_read(const OpenFile& file, const HidDevice& device, int flags) {
    if (device.unplugged) return file.event_node ? ENODEV : EIO;
    return flags & O_NONBLOCK ? EAGAIN : 0;
}

unsigned poll_mask(const OpenFile& file, const HidDevice& device) {
    unsigned mask = POLLOUT | POLLWRNORM;
    if (device.unplugged) mask = file.event_node ? POLLHUP | POLLERR : mask | POLLHUP | POLLERR;
    if (!file.records.empty()) mask |= POLLIN | POLLRDNORM;
    return mask;
}

void on_interrupt(fuse_req_t req, void* data) {
    auto& file = *static_cast<OpenFile*>(data);
    if (file.waiting_read != req) return;
    file.waiting_read = nullptr;
    fuse_reply_err(req, EINTR);
}

void open_node(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
    DeviceFiles& files = files_of(req);
    if (ino == FUSE_ROOT_ID || ino == kInputFolder) {
        fuse_reply_err(req, EISDIR);
        return;
    }
    const std::size_t device = (ino - hidraw_inode(0)) / 2;
    if (device >= files.devices.size() || files.devices[device].unplugged) {
        fuse_reply_err(req, ENODEV);
        return;
    }
    const std::uint64_t id = files.next_id++;
    OpenFile& file = files.open[id];
    file.id = id;
    file.device = device;
    file.event_node = ino == event_inode(device);
    fi->fh = id;
    fi->direct_io = 1;
    fi->nonseekable = 1;
    if (fuse_reply_open(req, fi) != 0) files.open.erase(fi->fh);
}

void read_node(fuse_req_t req, fuse_ino_t, std::size_t size, off_t, fuse_file_info* fi) {
    DeviceFiles& files = files_of(req);
    OpenFile* file = file_of(files, fi);
    if (file == nullptr || file->waiting_read != nullptr) {
        fuse_reply_err(req, file == nullptr ? EBADF : EBUSY);
        return;
    }
    if (file->event_node && size < kEventBytes) {
        fuse_reply_err(req, EINVAL);
        return;
    }
    if (!file->records.empty()) {
        const std::string out = take_records(*file, size);
        fuse_reply_buf(req, out.data(), out.size());
        return;
    }
    if (const int error = nothing_to_read(*file, files.devices[file->device], fi->flags); error != 0) {
        fuse_reply_err(req, error);
        return;
    }
    file->waiting_read = req;
    file->waiting_size = size;
    fuse_req_interrupt_func(req, on_interrupt, file);
}

void write_node(fuse_req_t req, fuse_ino_t, const char* data, std::size_t size, off_t, fuse_file_info* fi) {
    DeviceFiles& files = files_of(req);
    OpenFile* file = file_of(files, fi);
    if (file == nullptr) {
        fuse_reply_err(req, EBADF);
        return;
    }
    HidDevice& device = files.devices[file->device];
    if (file->event_node) {
        // Events written to an event node are injected, and read back like typed ones.
        if (device.unplugged || size % kEventBytes != 0) {
            fuse_reply_err(req, device.unplugged ? ENODEV : EINVAL);
            return;
        }
        std::vector<std::string> events;
        for (std::size_t at = 0; at < size; at += kEventBytes) events.emplace_back(data + at, kEventBytes);
        files.deliver(file->device, true, events);
        fuse_reply_write(req, size);
        return;
    }
    const std::size_t device_index = file->device;
    const Written written =
        write_output_report(device, {reinterpret_cast<const std::uint8_t*>(data), size});
    if (written.unplugged_now) files.unplug(device_index);
    if (written.error != 0) {
        fuse_reply_err(req, written.error);
        return;
    }
    files.deliver(device_index, false, written.input_reports);
    std::vector<std::string> events;
    for (const input_event& e : written.events) events.emplace_back(reinterpret_cast<const char*>(&e), kEventBytes);
    files.deliver(device_index, true, events);
    fuse_reply_write(req, size);
}

void poll_node(fuse_req_t req, fuse_ino_t, fuse_file_info* fi, fuse_pollhandle* ph) {
    DeviceFiles& files = files_of(req);
    OpenFile* file = file_of(files, fi);
    if (file == nullptr) {
        if (ph != nullptr) fuse_pollhandle_destroy(ph);
        fuse_reply_err(req, EBADF);
        return;
    }
    if (ph != nullptr) {
        if (file->poll != nullptr) fuse_pollhandle_destroy(file->poll);
        file->poll = ph;
    }
    fuse_reply_poll(req, poll_mask(*file, files.devices[file->device]));
}

void release_node(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    DeviceFiles& files = files_of(req);
    if (OpenFile* file = file_of(files, fi)) {
        HidDevice& device = files.devices[file->device];
        if (device.grabbed_by == file->id) device.grabbed_by = 0;
        if (file->poll != nullptr) fuse_pollhandle_destroy(file->poll);
        files.open.erase(file->id);
    }
    fuse_reply_err(req, 0);
}

}  // namespace

void DeviceFiles::deliver(std::size_t device, bool to_event_node, const std::vector<std::string>& records) {
    if (records.empty()) return;
    const std::uint64_t grabbed_by = devices[device].grabbed_by;
    for (auto& [id, file] : open) {
        if (file.device != device || file.event_node != to_event_node) continue;
        if (to_event_node && grabbed_by != 0 && grabbed_by != id) continue;
        for (const std::string& r : records)
            if (to_event_node || file.records.size() < kHidrawReportsKept) file.records.push_back(r);
        wake(file);
    }
}

void DeviceFiles::unplug(std::size_t device) {
    remove_from_sysfs(sys, devices[device]);
    devices[device].grabbed_by = 0;
    for (auto& [id, file] : open)
        if (file.device == device) wake(file);
}

void DeviceFiles::close_all() {
    for (auto& [id, file] : open) {
        if (file.waiting_read != nullptr) fuse_reply_err(file.waiting_read, ENODEV);
        if (file.poll != nullptr) fuse_pollhandle_destroy(file.poll);
    }
    open.clear();
}

void DeviceFiles::wake(OpenFile& file) {
    const HidDevice& device = devices[file.device];
    if (file.waiting_read != nullptr) {
        const fuse_req_t req = file.waiting_read;
        if (!file.records.empty()) {
            file.waiting_read = nullptr;
            const std::string out = take_records(file, file.waiting_size);
            fuse_reply_buf(req, out.data(), out.size());
        } else if (device.unplugged) {
            file.waiting_read = nullptr;
            fuse_reply_err(req, nothing_to_read(file, device, O_NONBLOCK));
        }
    }
    if (file.poll != nullptr && (!file.records.empty() || device.unplugged)) {
        fuse_lowlevel_notify_poll(file.poll);
        fuse_pollhandle_destroy(file.poll);
        file.poll = nullptr;
    }
}

const fuse_lowlevel_ops& device_file_operations() {
    static const fuse_lowlevel_ops operations = [] {
        fuse_lowlevel_ops o{};
        o.lookup = lookup_node;
        o.getattr = get_node_attributes;
        o.readdir = read_folder;
        o.open = open_node;
        o.read = read_node;
        o.write = write_node;
        o.poll = poll_node;
        o.ioctl = device_ioctl;
        o.release = release_node;
        return o;
    }();
    return operations;
}

}  // namespace kbdsim_hid
