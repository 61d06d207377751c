// HID devices on hidraw. The device-interface enumeration is the list of
// hidraw nodes in sysfs; a node's attributes come from its HID_ID and its
// caps from its report descriptor, both read in sysfs beside it.
#include "platform/hid.h"
#include "platform/linux/hid_tables.h"
#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/open_devices.h"
#include "platform/linux/report_descriptor.h"

namespace platform {

namespace linux_backend {
windows_model::HidTables& hid_tables() {
    static windows_model::HidTables tables;
    return tables;
}
}  // namespace linux_backend

namespace {

const linux_backend::OpenDevice* hidraw_device(Handle handle) {
    return linux_backend::find_open_device(handle, linux_backend::DeviceKind::hidraw);
}

}  // namespace

void hid_get_guid(Guid& guid) { guid = kHidInterfaceGuid; }

DeviceInfoSet get_class_devices(const Guid& guid, std::uint32_t flags) {
    std::vector<std::string> paths;
    for (const linux_backend::HidrawNode& node : linux_backend::hidraw_nodes()) paths.push_back(node.device_path);
    return linux_backend::hid_tables().make_set(guid, flags, std::move(paths));
}

bool enum_device_interfaces(DeviceInfoSet set, const Guid& guid, std::uint32_t index, DeviceInterfaceData& data) {
    return linux_backend::hid_tables().enum_interface(set, guid, index, data);
}

bool get_device_interface_detail(DeviceInfoSet set, DeviceInterfaceData& data, DeviceInterfaceDetail* detail,
                                 std::uint32_t detail_size, std::uint32_t* required_size) {
    return linux_backend::hid_tables().interface_detail(set, data, detail, detail_size, required_size);
}

bool destroy_device_info_list(DeviceInfoSet set) { return linux_backend::hid_tables().destroy_set(set); }

bool hid_get_attributes(Handle device, HidAttributes& attributes) {
    const linux_backend::OpenDevice* node = hidraw_device(device);
    std::uint16_t vendor = 0, product = 0;
    if (node == nullptr ||
        !linux_backend::read_hid_id(linux_backend::read_text_file(node->sysfs_device + "/uevent"), vendor, product))
        return false;
    attributes = windows_model::hid_attributes(vendor, product, 0);
    return true;
}

bool hid_get_preparsed_data(Handle device, PreparsedData& data) {
    data = nullptr;
    const linux_backend::OpenDevice* node = hidraw_device(device);
    if (node == nullptr) return false;
    const std::string descriptor = linux_backend::read_text_file(node->sysfs_device + "/report_descriptor");
    const std::optional<linux_backend::ReportLengths> lengths = linux_backend::report_lengths(descriptor);
    if (descriptor.empty() || !lengths) return false;
    HidCaps caps{};
    caps.Usage = lengths->usage;
    caps.UsagePage = lengths->usage_page;
    caps.InputReportByteLength = lengths->input;
    caps.OutputReportByteLength = lengths->output;
    caps.FeatureReportByteLength = lengths->feature;
    data = linux_backend::hid_tables().take_preparsed(caps);
    return true;
}

std::int32_t hid_get_caps(PreparsedData data, HidCaps& caps) { return linux_backend::hid_tables().caps_of(data, caps); }

bool hid_free_preparsed_data(PreparsedData data) { return linux_backend::hid_tables().free_preparsed(data); }

}  // namespace platform
