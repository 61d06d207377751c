#include "hosts/linux/linux_devices.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "include/kbp_protocol.h"
#include "platform/linux/host_settings.h"
#include "output/readable_text.h"

namespace kbptool {

namespace {

namespace backend = platform::linux_backend;

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

}  // namespace

std::vector<FoundDevice> serial_devices() {
    std::vector<FoundDevice> found;
    const std::string dev = backend::host_settings().dev_root;
    for (const std::string& name : names_in(dev, {"ttyUSB", "ttyACM", "ttyS"}))
        found.push_back({"serial", dev + "/" + name, "not opened: --port " + dev + "/" + name + " uses it"});
    return found;
}

std::vector<FoundDevice> keyboard_nodes() {
    std::vector<FoundDevice> found;
    for (const backend::HidNodeSeen& node : backend::hid_nodes_seen())
        found.push_back({"hid", node.device_path,
                         usb_ids_text(node.vendor, node.product) + (node.vendor == KBP_USB_VENDOR_ID ? ", the keyboard's vendor" : "")});
    const std::string input = backend::keyboard_input_device();
    if (!input.empty()) found.push_back({"input", input, "the keyboard's keys, grabbed during an upload's reads"});
    return found;
}

std::string why_no_usb_keyboard() {
    const std::string vendor = hex_digits(KBP_USB_VENDOR_ID, 4);
    const std::vector<backend::HidNodeSeen> nodes = backend::hid_nodes_seen();
    if (nodes.empty())
        return "no USB keyboard of vendor " + vendor + ": there is no " + backend::host_settings().dev_root +
               "/hidraw* node";
    std::string seen;
    for (const backend::HidNodeSeen& node : nodes) {
        if (node.vendor == KBP_USB_VENDOR_ID && access(node.device_path.c_str(), R_OK | W_OK) != 0)
            return node.device_path + " is the keyboard (vendor " + vendor + ") but this user may not open it";
        if (node.vendor == KBP_USB_VENDOR_ID) return {};
        seen += (seen.empty() ? "" : ", ") + node.device_path + " (" + hex_digits(node.vendor, 4) + ")";
    }
    return "no USB keyboard of vendor " + vendor + " among " + seen;
}

}  // namespace kbptool
