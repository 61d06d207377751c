#include "usb_device.h"

#include <cstdlib>
#include <cstring>

#include "include/kbp_protocol.h"

namespace kbpusb {

UsbState usb_state;

namespace {

// Report identifier and the data byte.
constexpr std::uint16_t kSmallestUsableReport = 2;

// The device path of one interface, in a buffer from usb_state.allocate; null
// when the path cannot be had.
platform::DeviceInterfaceDetail* read_detail(platform::DeviceInfoSet set, platform::DeviceInterfaceData& data) {
    std::uint32_t required = 0;
    platform::get_device_interface_detail(set, data, nullptr, 0, &required);
    if (required <= offsetof(platform::DeviceInterfaceDetail, DevicePath)) return nullptr;
    auto* detail = static_cast<platform::DeviceInterfaceDetail*>(usb_state.allocate(required));
    if (detail == nullptr) return nullptr;
    detail->cbSize = platform::kDeviceInterfaceDetailSize;
    if (!platform::get_device_interface_detail(set, data, detail, required, nullptr)) {
        std::free(detail);
        return nullptr;
    }
    reinterpret_cast<char*>(detail)[required - 1] = '\0';
    return detail;
}

// The open interface when it belongs to the keyboard's vendor, else invalid_handle().
platform::Handle open_if_keyboard(const char* path) {
    const platform::Handle device = platform::open_device(path, platform::kGenericRead | platform::kGenericWrite,
                                                          platform::kShareRead | platform::kShareWrite);
    if (device == platform::invalid_handle()) return device;
    platform::HidAttributes attributes{};
    attributes.Size = platform::kHidAttributesSize;
    if (platform::hid_get_attributes(device, attributes) && attributes.VendorID == KBP_USB_VENDOR_ID) return device;
    platform::close_handle(device);
    return platform::invalid_handle();
}

void close_open_device() {
    platform::close_handle(usb_state.device_handle);
    usb_state.device_handle = nullptr;
    usb_state.device_state = 0;
}

// The device becomes device_handle when its reports can hold the data byte.
bool keep_if_usable(platform::Handle device) {
    usb_state.device_handle = device;
    usb_read_caps();
    if (usb_state.output_report_length >= kSmallestUsableReport) return true;
    platform::close_handle(device);
    usb_state.device_handle = nullptr;
    return false;
}

}  // namespace

void* heap_allocate(std::size_t size) { return std::malloc(size); }

void reset_usb_state() { usb_state = UsbState{}; }

std::uint8_t usb_find_device() {
    if (usb_state.chosen_path[0] != '\0') {
        const platform::Handle device = open_if_keyboard(usb_state.chosen_path);
        return device != platform::invalid_handle() && keep_if_usable(device) ? 1 : 0;
    }
    platform::Guid hid_guid{};
    platform::hid_get_guid(hid_guid);
    const platform::DeviceInfoSet set =
        platform::get_class_devices(hid_guid, platform::kDigcfPresent | platform::kDigcfDeviceInterface);
    if (set == platform::invalid_handle()) return 0;

    std::uint8_t found = 0;
    for (std::uint32_t index = 0; found == 0; ++index) {
        platform::DeviceInterfaceData data{};
        data.cbSize = platform::kDeviceInterfaceDataSize;
        if (!platform::enum_device_interfaces(set, hid_guid, index, data)) break;
        platform::DeviceInterfaceDetail* detail = read_detail(set, data);
        if (detail == nullptr) continue;
        const platform::Handle device = open_if_keyboard(detail->DevicePath);
        std::free(detail);
        // An interface whose reports cannot hold the data byte is of no use.
        if (device != platform::invalid_handle() && keep_if_usable(device)) found = 1;
    }
    platform::destroy_device_info_list(set);
    return found;
}

void usb_read_caps() {
    platform::HidCaps caps{};
    platform::PreparsedData preparsed = nullptr;
    if (platform::hid_get_preparsed_data(usb_state.device_handle, preparsed)) {
        if (platform::hid_get_caps(preparsed, caps) != platform::kHidpStatusSuccess) caps = platform::HidCaps{};
        platform::hid_free_preparsed_data(preparsed);
    }
    usb_state.output_report_length = caps.OutputReportByteLength;
}

void usb_write_report() {
    const std::uint16_t length = usb_state.output_report_length;
    auto* report =
        static_cast<std::uint8_t*>(length >= kSmallestUsableReport ? usb_state.allocate(length) : nullptr);
    bool written = false;
    if (report != nullptr) {
        std::memset(report, 0, length);
        report[1] = usb_state.pending_byte;
        std::uint32_t done = 0;
        written = platform::write_file(usb_state.device_handle, report, length, &done);
        std::free(report);
    }
    if (!written) close_open_device();
}

std::uint8_t send_byte(int value) {
    usb_state.pending_byte = static_cast<std::uint8_t>(value);
    if (usb_state.device_state == 0) usb_state.device_state = usb_find_device();
    if (usb_state.device_state == 1) usb_write_report();
    return usb_state.device_state == 1 ? 0 : 1;
}

std::uint8_t close_device() {
    if (usb_state.device_state != 1) return 1;
    close_open_device();
    return 0;
}

std::uint8_t choose_device(const char* path) {
    const char* chosen = path != nullptr ? path : "";
    const std::size_t length = std::strlen(chosen);
    if (length >= kChosenPathSize) return 1;
    if (std::strncmp(chosen, usb_state.chosen_path, kChosenPathSize) == 0) return 0;
    close_device();
    std::memcpy(usb_state.chosen_path, chosen, length + 1);
    return 0;
}

}  // namespace kbpusb
