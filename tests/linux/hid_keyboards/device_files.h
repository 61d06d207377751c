#pragma once
// The device files under <root>/dev, served over FUSE: hidrawN and
// input/eventN of each device, answering opens, reads, writes, poll and
// ioctls as the kernel's hidraw and evdev drivers do. One thread serves
// them all: a read that must wait is answered later, from the write that
// brings its data.
#define FUSE_USE_VERSION 35
#include <fuse_lowlevel.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "hid_devices.h"

namespace kbdsim_hid {

// FUSE_ROOT_ID is <root>/dev itself.
constexpr fuse_ino_t kInputFolder = 2;
constexpr fuse_ino_t hidraw_inode(std::size_t device) { return 16 + 2 * device; }
constexpr fuse_ino_t event_inode(std::size_t device) { return 17 + 2 * device; }

struct OpenFile {
    std::uint64_t id = 0;
    std::size_t device = 0;
    bool event_node = false;
    std::deque<std::string> records;  // input reports, or whole input events
    fuse_pollhandle* poll = nullptr;  // a poller to wake when records come
    fuse_req_t waiting_read = nullptr;
    std::size_t waiting_size = 0;
};

struct DeviceFiles {
    DeviceFiles(std::vector<HidDevice>& served, std::filesystem::path sysfs) : devices(served), sys(std::move(sysfs)) {}

    std::vector<HidDevice>& devices;
    std::filesystem::path sys;
    std::map<std::uint64_t, OpenFile> open;
    std::uint64_t next_id = 1;

    // Records for the device's event node (only the grabbing file while
    // grabbed) or for every open file of its hidraw node.
    void deliver(std::size_t device, bool to_event_node, const std::vector<std::string>& records);
    // The device is gone: pollers see the hang-up, waiting reads fail.
    void unplug(std::size_t device);
    // Before unmounting: every read still waiting fails as on a device gone,
    // and no poller is woken any more.
    void close_all();
    // Answers the file's waiting read and wakes its poller, as its records allow.
    void wake(OpenFile& file);
};

const fuse_lowlevel_ops& device_file_operations();

// The folder tree: lookup, getattr and readdir.
void lookup_node(fuse_req_t req, fuse_ino_t parent, const char* name);
void get_node_attributes(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi);
void read_folder(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset, fuse_file_info* fi);
// hidraw's and evdev's ioctls.
void device_ioctl(fuse_req_t req, fuse_ino_t ino, unsigned cmd, void* arg, fuse_file_info* fi, unsigned flags,
                  const void* in, std::size_t in_size, std::size_t out_size);

inline DeviceFiles& files_of(fuse_req_t req) { return *static_cast<DeviceFiles*>(fuse_req_userdata(req)); }

}  // namespace kbdsim_hid
