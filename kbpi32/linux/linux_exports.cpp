// What a Linux host tells libkbpi32.so.1 beyond the library's own exports
// (the C face of the Linux backend's settings), and the two exports that take
// a port text: here a serial device is named by its path, and the COM number
// that stands for it inside the library is this file's business alone.
#include "include/kbpi32_linux.h"
#include "include/kbpusb.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/port_text.h"
#include "kbpi32/common/status.h"
#include "kbpi32/common/texts.h"
#include "kbpi32/download/download_engine.h"
#include "platform/linux/com_port_map.h"
#include "platform/linux/host_settings.h"
#include "platform/windows_model/com_ports.h"

namespace backend = platform::linux_backend;

namespace {

constexpr char kDevicePathStart = '/';
constexpr std::size_t kComLength = sizeof KBP_PORT_TEXT_COM - 1;

// "/dev/ttyUSB0" of "/dev/ttyUSB0:9600,N,8,1", and what follows it.
struct DeviceText {
    std::string device;
    std::string rest;  // ":9600,N,8,1", or ""
};
DeviceText split_device(const char* text) {
    const char* colon = std::strchr(text, ':');
    return colon == nullptr ? DeviceText{text, ""} : DeviceText{std::string(text, colon), colon};
}

// The COM number a device has for a download: the one a host gave it, else a
// free one, given back when the download ends. 0 when none is free.
struct ComNumberForCall {
    explicit ComNumberForCall(const std::string& device) {
        auto& devices = backend::com_port_map().devices;
        for (int n = 1; n <= platform::windows_model::kComPortCount && number == 0; ++n)
            if (devices[std::size_t(n)] == device) number = n;
        if (number != 0) return;
        number = backend::map_com_port(device);
        taken = number != 0;
    }
    ~ComNumberForCall() {
        if (taken) backend::com_port_map().devices[std::size_t(number)].clear();
    }
    int number = 0;
    bool taken = false;
};

// The library's text with the device in place of the COM number that stood for it.
std::string with_device(std::string text, const std::string& com, const std::string& device) {
    for (std::size_t at = text.find(com); at != std::string::npos; at = text.find(com, at + 1)) {
        const char after = at + com.size() < text.size() ? text[at + com.size()] : '\0';
        if (after >= '0' && after <= '9') continue;
        return text.replace(at, com.size(), device);
    }
    return text;
}

// A COM port text a host has not given a device: a name of Windows, which
// opens nothing here.
bool names_unmapped_com_port(const char* text) {
    if (strncasecmp(text, KBP_PORT_TEXT_COM, kComLength) != 0) return false;
    char name[5];
    kbp::com_device_name(text, name);
    const int number = std::strncmp(text, KBP_PORT_TEXT_COM, kComLength) == 0
                           ? platform::windows_model::com_port_number(name)
                           : 0;
    return number == 0 || backend::com_port_map().devices[std::size_t(number)].empty();
}

template <std::size_t N>
void put(char (&to)[N], const std::string& text) {
    const std::size_t length = text.size() < N ? text.size() : N - 1;
    std::memcpy(to, text.data(), length);
    to[length] = '\0';
}

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

int kbp_linux_set_usb_device(const char* device) {
    if (SetDevice_USB(device) != 0) return 1;
    backend::host_settings().usb_device = device == nullptr ? "" : device;
    return 0;
}

void kbp_linux_interrupt(int on) { backend::interrupt_transfers(on != 0); }

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

int KBPI32_CALL kbp_download(const char* file, char* status, kbp_progress_callback progress) {
    if (status == nullptr || status[0] != kDevicePathStart) return kbp::kbp_download(file, status, progress);
    const DeviceText named = split_device(status);
    const ComNumberForCall com(named.device);
    if (com.number == 0) {  // every COM number stands for another device
        kbp::status_state.current_status = status;
        kbp::begin_transfer_report();
        kbp::note_cause(KBP_CAUSE_COM_NOT_OPENED);
        kbp::write_status(kbp::text::kUnableToOpen, named.device.c_str());
        return KBP_DOWNLOAD_COM_PORT_FAILED;
    }
    const std::string com_name = KBP_PORT_TEXT_COM + std::to_string(com.number);
    const std::string port_text = com_name + named.rest;
    // Room for every text of the library, which quotes at most the port text.
    std::vector<char> buffer(port_text.size() + 256, '\0');
    std::memcpy(buffer.data(), port_text.c_str(), port_text.size());
    const int result = kbp::kbp_download(file, buffer.data(), progress);
    kbp::status_state.current_status = status;
    const std::string text = with_device(buffer.data(), com_name, named.device);
    std::memcpy(status, text.c_str(), text.size() + 1);
    return result;
}

int KBPI32_CALL kbp_read_port_text(const char* text, struct kbp_port_text* port) {
    if (text == nullptr || port == nullptr) return 1;
    if (text[0] == kDevicePathStart) {
        // Read as the COM port text the download makes of it.
        const DeviceText named = split_device(text);
        kbp::read_port_text((KBP_PORT_TEXT_COM "1" + named.rest).c_str(), *port);
        put(port->port, named.device);
        return 0;
    }
    kbp::read_port_text(text, *port);
    if (names_unmapped_com_port(text)) {
        const DeviceText named = split_device(text);
        port->problem = KBP_PORT_OTHER_SYSTEM;
        put(port->reason, named.device + " is a Windows port name");
        put(port->hint, "on Linux name the serial device: a PC's COMn is /dev/ttyS(n-1), a USB adapter /dev/ttyUSB0 or "
                        "/dev/ttyACM0; :9600,N,8,1 after it for fixed line settings");
        const int number = std::atoi(text + kComLength);
        if (number >= 1) put(port->instead, "/dev/ttyS" + std::to_string(number - 1) + named.rest);
    } else if (std::strncmp(text, "tty", 3) == 0) {
        port->problem = KBP_PORT_NO_FOLDER;
        put(port->reason, std::string(text) + " names no device");
        put(port->hint, "name the device by its path");
        put(port->instead, std::string("/dev/") + text);
    }
    return 0;
}

}  // extern "C"
