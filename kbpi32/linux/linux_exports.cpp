// What a Linux host tells libkbpi32.so.1 beyond the library's own exports:
// the C face of the Linux backend's settings.
#include "include/kbpi32_linux.h"

#include <cstring>

#include "platform/linux/com_port_map.h"
#include "platform/linux/host_settings.h"

namespace backend = platform::linux_backend;

namespace {

// Copies text with its terminating zero; false when it does not fit.
bool copy_out(const std::string& text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0 || text.size() >= std::size_t(size)) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

}  // namespace

extern "C" {

int kbp_linux_set_com_port(int number, const char* device) {
    auto& devices = backend::com_port_map().devices;
    if (number < 1 || number >= int(devices.size())) return 1;
    devices[std::size_t(number)] = device == nullptr ? "" : device;
    return 0;
}

int kbp_linux_map_com_port(const char* device) {
    if (device == nullptr || *device == '\0') return 0;
    return backend::map_com_port(device);
}

void kbp_linux_set_input_device(const char* device) {
    backend::host_settings().input_device = device == nullptr ? "" : device;
}

void kbp_linux_set_box_callback(kbp_linux_box_callback callback, void* context) {
    backend::Prompt& prompt = backend::host_settings().prompt;
    if (callback == nullptr) {
        prompt = nullptr;
        return;
    }
    prompt = [callback, context](const char* text, const char* caption, bool offers_cancel) {
        return callback(text, caption, offers_cancel ? 1 : 0, context) != 0;
    };
}

int kbp_linux_last_device_error(void) { return backend::last_device_error(); }

void kbp_linux_set_device_roots(const char* sysfs_root, const char* dev_root) {
    backend::HostSettings& settings = backend::host_settings();
    if (sysfs_root != nullptr) settings.sysfs_root = sysfs_root;
    if (dev_root != nullptr) settings.dev_root = dev_root;
}

int kbp_linux_keyboard_input_device(char* buffer, int size) {
    const std::string device = backend::keyboard_input_device();
    if (device.empty() || !copy_out(device, buffer, size)) return 0;
    return int(device.size());
}

int kbp_linux_hid_node(int index, char* path, int size, unsigned short* vendor, unsigned short* product) {
    const std::vector<backend::HidNodeSeen> nodes = backend::hid_nodes_seen();
    if (index < 0 || std::size_t(index) >= nodes.size()) return 0;
    const backend::HidNodeSeen& node = nodes[std::size_t(index)];
    if (!copy_out(node.device_path, path, size)) return 0;
    if (vendor != nullptr) *vendor = node.vendor;
    if (product != nullptr) *product = node.product;
    return 1;
}

}  // extern "C"
