#include "platform/linux/hidraw_nodes.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/linux/host_settings.h"

namespace platform::linux_backend {

namespace {

constexpr char kPrefix[] = "hidraw";

// The number of "hidrawN"; -1 for any other name.
long node_number(const std::string& name) {
    if (name.rfind(kPrefix, 0) != 0 || name.size() == sizeof kPrefix - 1) return -1;
    char* end = nullptr;
    const long n = std::strtol(name.c_str() + sizeof kPrefix - 1, &end, 10);
    return *end == '\0' && n >= 0 ? n : -1;
}

std::optional<HidrawNode> read_node(const std::string& name) {
    const HostSettings& s = host_settings();
    HidrawNode node;
    node.name = name;
    node.device_path = s.dev_root + "/" + name;
    node.sysfs_device = s.sysfs_root + "/class/hidraw/" + name + "/device";
    if (!read_hid_id(read_text_file(node.sysfs_device + "/uevent"), node.vendor, node.product)) return std::nullopt;
    return node;
}

}  // namespace

std::string read_text_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    return text.str();
}

bool read_hid_id(const std::string& uevent, std::uint16_t& vendor, std::uint16_t& product) {
    std::istringstream lines(uevent);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned bus = 0, v = 0, p = 0;
        char tail = 0;
        if (std::sscanf(line.c_str(), "HID_ID=%x:%x:%x%c", &bus, &v, &p, &tail) == 3 && v <= 0xFFFF && p <= 0xFFFF) {
            vendor = std::uint16_t(v);
            product = std::uint16_t(p);
            return true;
        }
    }
    return false;
}

std::vector<HidrawNode> hidraw_nodes() {
    std::vector<std::pair<long, std::string>> names;
    if (DIR* dir = opendir((host_settings().sysfs_root + "/class/hidraw").c_str())) {
        while (const dirent* entry = readdir(dir))
            if (const long n = node_number(entry->d_name); n >= 0) names.emplace_back(n, entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<HidrawNode> nodes;
    for (const auto& [number, name] : names)
        if (std::optional<HidrawNode> node = read_node(name)) nodes.push_back(std::move(*node));
    return nodes;
}

std::optional<HidrawNode> hidraw_node_of(const std::string& path) {
    const std::string prefix = host_settings().dev_root + "/";
    if (path.rfind(prefix, 0) != 0) return std::nullopt;
    const std::string name = path.substr(prefix.size());
    if (node_number(name) < 0) return std::nullopt;
    return read_node(name);
}

std::vector<HidNodeSeen> hid_nodes_seen() {
    std::vector<HidNodeSeen> seen;
    for (const HidrawNode& node : hidraw_nodes()) seen.push_back({node.device_path, node.vendor, node.product});
    return seen;
}

}  // namespace platform::linux_backend
