#pragma once
// The hidraw nodes sysfs lists (/sys/class/hidraw/hidrawN), with the vendor
// and product each one's HID_ID names.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::linux_backend {

struct HidrawNode {
    std::string name;            // hidraw3
    std::string device_path;     // <dev root>/hidraw3
    std::string sysfs_device;    // <sysfs root>/class/hidraw/hidraw3/device
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::uint16_t version = 0;
};

// Every node, in the order of their numbers; a node whose uevent names no
// HID_ID is left out.
std::vector<HidrawNode> hidraw_nodes();
// The node whose device file is `path`.
std::optional<HidrawNode> hidraw_node_of(const std::string& path);
// "HID_ID=0003:0000053A:00000001" in a uevent's text.
bool read_hid_id(const std::string& uevent, std::uint16_t& vendor, std::uint16_t& product);
// A file's whole text; empty when it cannot be read.
std::string read_text_file(const std::string& path);

}  // namespace platform::linux_backend
