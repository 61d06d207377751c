// HID devices on hidraw. The device-interface enumeration is the list of
// hidraw nodes in sysfs; a node's attributes come from its HID_ID and its
// caps from its report descriptor, both read in sysfs beside it.
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/hid.h"
#include "platform/linux/backend_reset.h"
#include "platform/linux/hidraw_nodes.h"
#include "platform/linux/open_devices.h"
#include "platform/linux/report_descriptor.h"

namespace platform {

namespace {

using linux_backend::HidrawNode;

struct InterfaceSets {
    std::vector<std::unique_ptr<std::vector<HidrawNode>>> sets;
};
InterfaceSets& interface_sets() {
    static InterfaceSets s;
    return s;
}

std::vector<HidrawNode>* members_of(DeviceInfoSet set) {
    for (const auto& members : interface_sets().sets)
        if (members.get() == set) return members.get();
    return nullptr;
}

bool same_guid(const Guid& a, const Guid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

const linux_backend::OpenDevice* hidraw_device(Handle handle) {
    return linux_backend::find_open_device(handle, linux_backend::DeviceKind::hidraw);
}

// Preparsed data: the lengths read from the node's report descriptor.
struct Preparsed {
    linux_backend::ReportLengths lengths;
};
std::vector<std::unique_ptr<Preparsed>>& preparsed_data() {
    static std::vector<std::unique_ptr<Preparsed>> data;
    return data;
}

}  // namespace

void hid_get_guid(Guid& guid) { guid = kHidInterfaceGuid; }

DeviceInfoSet get_class_devices(const Guid& guid, std::uint32_t flags) {
    if (!same_guid(guid, kHidInterfaceGuid) || (flags & kDigcfDeviceInterface) == 0) return invalid_handle();
    interface_sets().sets.push_back(std::make_unique<std::vector<HidrawNode>>(linux_backend::hidraw_nodes()));
    return interface_sets().sets.back().get();
}

bool enum_device_interfaces(DeviceInfoSet set, const Guid& guid, std::uint32_t index, DeviceInterfaceData& data) {
    const std::vector<HidrawNode>* members = members_of(set);
    if (members == nullptr || data.cbSize != kDeviceInterfaceDataSize || !same_guid(guid, kHidInterfaceGuid) ||
        index >= members->size())
        return false;
    data.InterfaceClassGuid = guid;
    data.Flags = kInterfaceActive;
    data.Reserved = index;
    return true;
}

bool get_device_interface_detail(DeviceInfoSet set, DeviceInterfaceData& data, DeviceInterfaceDetail* detail,
                                 std::uint32_t detail_size, std::uint32_t* required_size) {
    const std::vector<HidrawNode>* members = members_of(set);
    if (members == nullptr || data.cbSize != kDeviceInterfaceDataSize || data.Reserved >= members->size())
        return false;
    const std::string& path = (*members)[data.Reserved].device_path;
    const std::uint32_t required = std::uint32_t(offsetof(DeviceInterfaceDetail, DevicePath) + path.size() + 1);
    if (required_size != nullptr) *required_size = required;
    if (detail == nullptr || detail_size < required || detail->cbSize != kDeviceInterfaceDetailSize) return false;
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return true;
}

bool destroy_device_info_list(DeviceInfoSet set) {
    return std::erase_if(interface_sets().sets, [set](const auto& members) { return members.get() == set; }) != 0;
}

bool hid_get_attributes(Handle device, HidAttributes& attributes) {
    const linux_backend::OpenDevice* node = hidraw_device(device);
    std::uint16_t vendor = 0, product = 0;
    if (node == nullptr ||
        !linux_backend::read_hid_id(linux_backend::read_text_file(node->sysfs_device + "/uevent"), vendor, product))
        return false;
    attributes.Size = kHidAttributesSize;
    attributes.VendorID = vendor;
    attributes.ProductID = product;
    attributes.VersionNumber = 0;
    return true;
}

bool hid_get_preparsed_data(Handle device, PreparsedData& data) {
    data = nullptr;
    const linux_backend::OpenDevice* node = hidraw_device(device);
    if (node == nullptr) return false;
    const std::string descriptor = linux_backend::read_text_file(node->sysfs_device + "/report_descriptor");
    const std::optional<linux_backend::ReportLengths> lengths = linux_backend::report_lengths(descriptor);
    if (descriptor.empty() || !lengths) return false;
    preparsed_data().push_back(std::make_unique<Preparsed>(Preparsed{*lengths}));
    data = preparsed_data().back().get();
    return true;
}

std::int32_t hid_get_caps(PreparsedData data, HidCaps& caps) {
    for (const auto& p : preparsed_data()) {
        if (p.get() != data) continue;
        caps = HidCaps{};
        caps.Usage = p->lengths.usage;
        caps.UsagePage = p->lengths.usage_page;
        caps.InputReportByteLength = p->lengths.input;
        caps.OutputReportByteLength = p->lengths.output;
        caps.FeatureReportByteLength = p->lengths.feature;
        return kHidpStatusSuccess;
    }
    return kHidpStatusInvalidPreparsedData;
}

bool hid_free_preparsed_data(PreparsedData data) {
    return std::erase_if(preparsed_data(), [data](const auto& p) { return p.get() == data; }) != 0;
}

namespace linux_backend {
void forget_hid_records() {
    interface_sets().sets.clear();
    preparsed_data().clear();
}
}  // namespace linux_backend

}  // namespace platform
