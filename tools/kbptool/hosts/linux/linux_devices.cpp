#include "hosts/linux/linux_devices.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "include/kbp_protocol.h"
#include "include/kbpi32_linux.h"
#include "output/text.h"

namespace kbptool {

namespace {

struct HidNode {
    std::string device_path;
    unsigned short vendor = 0;
    unsigned short product = 0;
};

std::vector<HidNode> hid_nodes() {
    std::vector<HidNode> nodes;
    char path[4096];
    HidNode node;
    for (int index = 0; kbp_linux_hid_node(index, path, sizeof path, &node.vendor, &node.product); ++index) {
        node.device_path = path;
        nodes.push_back(node);
    }
    return nodes;
}

std::string keyboard_input_device() {
    char device[4096];
    return kbp_linux_keyboard_input_device(device, sizeof device) > 0 ? device : "";
}

std::vector<std::string> names_in(const std::string& folder, const std::vector<std::string>& prefixes) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            for (const std::string& prefix : prefixes)
                if (name.size() > prefix.size() && name.starts_with(prefix)) names.push_back(name);
        }
        closedir(dir);
    }
    // ttyS10 after ttyS9.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return names;
}

std::string root_from(const char* variable, const char* system_root) {
    const char* root = std::getenv(variable);
    return root != nullptr ? root : system_root;
}

}  // namespace

std::string device_root() { return root_from("KBPTOOL_DEV_ROOT", "/dev"); }
std::string sysfs_root() { return root_from("KBPTOOL_SYSFS_ROOT", "/sys"); }
bool keyboard_input_found() { return !keyboard_input_device().empty(); }

std::vector<FoundDevice> serial_devices() {
    std::vector<FoundDevice> found;
    const std::string dev = device_root();
    for (const std::string& name : names_in(dev, {"ttyUSB", "ttyACM", "ttyS"}))
        found.push_back({"serial", dev + "/" + name, "not opened: --port " + dev + "/" + name + " uses it"});
    return found;
}

std::vector<FoundDevice> keyboard_nodes() {
    std::vector<FoundDevice> found;
    for (const HidNode& node : hid_nodes())
        found.push_back({"hid", node.device_path,
                         usb_ids_text(node.vendor, node.product) + (node.vendor == KBP_USB_VENDOR_ID ? ", the keyboard's vendor" : "")});
    const std::string input = keyboard_input_device();
    if (!input.empty()) found.push_back({"input", input, "the keyboard's keys, grabbed during an upload's reads"});
    return found;
}

std::string why_no_usb_keyboard() {
    const std::string vendor = hex_digits(KBP_USB_VENDOR_ID, 4);
    const std::vector<HidNode> nodes = hid_nodes();
    if (nodes.empty())
        return "no USB keyboard of vendor " + vendor + ": there is no " + device_root() +
               "/hidraw* node";
    std::string seen;
    for (const HidNode& node : nodes) {
        if (node.vendor == KBP_USB_VENDOR_ID && access(node.device_path.c_str(), R_OK | W_OK) != 0)
            return node.device_path + " is the keyboard (vendor " + vendor + ") but this user may not open it";
        if (node.vendor == KBP_USB_VENDOR_ID) return {};
        seen += (seen.empty() ? "" : ", ") + node.device_path + " (" + hex_digits(node.vendor, 4) + ")";
    }
    return "no USB keyboard of vendor " + vendor + " among " + seen;
}

}  // namespace kbptool
