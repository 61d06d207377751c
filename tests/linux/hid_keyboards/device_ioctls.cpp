// The ioctls a program asks of hidraw and evdev nodes about the device, and
// evdev's grab. FUSE hands them over restricted: what each one carries in and
// out is the size its number encodes.
#include <linux/hidraw.h>
#include <linux/input.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "device_files.h"

namespace kbdsim_hid {

namespace {

constexpr unsigned without_size(unsigned cmd) { return cmd & ~(_IOC_SIZEMASK << _IOC_SIZESHIFT); }

template <typename T>
void reply(fuse_req_t req, const T& value) {
    fuse_reply_ioctl(req, 0, &value, sizeof value);
}

// A name as both drivers give it: with its terminating zero, cut to the
// caller's buffer; the result is the bytes given.
void reply_name(fuse_req_t req, const std::string& name, std::size_t capacity) {
    const std::size_t n = std::min(name.size() + 1, capacity);
    fuse_reply_ioctl(req, int(n), name.c_str(), n);
}

// EVIOCGRAB: 1 takes the device's events for this file alone, 0 gives them back.
void grab(fuse_req_t req, DeviceFiles& files, const OpenFile& file, const void* in, std::size_t in_size) {
    int value = 0;
    if (in_size < sizeof value) {
        fuse_reply_err(req, EFAULT);
        return;
    }
    std::memcpy(&value, in, sizeof value);
    HidDevice& device = files.devices[file.device];
    int error = 0;
    if (value != 0 && device.grabbed_by != 0)
        error = EBUSY;
    else if (value == 0 && device.grabbed_by != file.id)
        error = EINVAL;
    if (error != 0) {
        fuse_reply_err(req, error);
        return;
    }
    device.grabbed_by = value != 0 ? file.id : 0;
    if (value != 0) ++device.grabs;
    fuse_reply_ioctl(req, 0, nullptr, 0);
}

void event_ioctl(fuse_req_t req, DeviceFiles& files, const OpenFile& file, unsigned cmd, const void* in,
                 std::size_t in_size) {
    const HidDevice& device = files.devices[file.device];
    if (cmd == EVIOCGRAB) return grab(req, files, file, in, in_size);
    if (cmd == EVIOCGID) return reply(req, input_id{BUS_USB, device.vendor, device.product, 0x0110});
    if (without_size(cmd) == without_size(EVIOCGNAME(0))) return reply_name(req, device.name, _IOC_SIZE(cmd));
    fuse_reply_err(req, ENOTTY);
}

void hidraw_ioctl(fuse_req_t req, const HidDevice& device, unsigned cmd) {
    const std::string descriptor = report_descriptor(device.kind);
    if (cmd == HIDIOCGRDESCSIZE) return reply(req, int(descriptor.size()));
    if (cmd == HIDIOCGRDESC) {
        hidraw_report_descriptor d{};
        d.size = std::uint32_t(descriptor.size());
        std::memcpy(d.value, descriptor.data(), descriptor.size());
        return reply(req, d);
    }
    if (cmd == HIDIOCGRAWINFO)
        return reply(req, hidraw_devinfo{BUS_USB, std::int16_t(device.vendor), std::int16_t(device.product)});
    if (without_size(cmd) == without_size(HIDIOCGRAWNAME(0))) return reply_name(req, device.name, _IOC_SIZE(cmd));
    fuse_reply_err(req, ENOTTY);
}

}  // namespace

void device_ioctl(fuse_req_t req, fuse_ino_t, unsigned cmd, void*, fuse_file_info* fi, unsigned flags,
                  const void* in, std::size_t in_size, std::size_t) {
    DeviceFiles& files = files_of(req);
    const auto found = files.open.find(fi->fh);
    if (found == files.open.end() || (flags & FUSE_IOCTL_COMPAT)) {
        fuse_reply_err(req, found == files.open.end() ? EBADF : ENOSYS);
        return;
    }
    const OpenFile& file = found->second;
    const HidDevice& device = files.devices[file.device];
    if (device.unplugged) {
        fuse_reply_err(req, ENODEV);
        return;
    }
    if (file.event_node)
        event_ioctl(req, files, file, cmd, in, in_size);
    else
        hidraw_ioctl(req, device, cmd);
}

}  // namespace kbdsim_hid
