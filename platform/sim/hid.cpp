// HID devices of the simulated PC: SetupAPI enumeration and the HID class calls.
#include "platform/hid.h"
#include "platform/sim/devices.h"
#include "platform/sim/faults.h"
#include "platform/sim/hid_devices.h"

namespace {

bool refuses(sim::Call call) { return sim::faults().refuses(call); }

sim::HidDevice* device_behind(platform::Handle handle) {
    return dynamic_cast<sim::HidDevice*>(sim::devices().lookup(handle));
}

// What the HID class reads from a device's report descriptor: the keyboard's
// collection, 8 bytes of input, and its output report.
platform::HidCaps caps_of(const sim::HidDevice& device) {
    platform::HidCaps caps{};
    caps.UsagePage = 0x01;
    caps.Usage = 0x06;
    caps.InputReportByteLength = 9;
    caps.OutputReportByteLength = device.output_report_length;
    return caps;
}

}  // namespace

namespace platform {

void hid_get_guid(Guid& guid) {
    sim::faults().note(sim::Call::hid_get_guid);
    guid = kHidInterfaceGuid;
}

DeviceInfoSet get_class_devices(const Guid& guid, std::uint32_t flags) {
    if (refuses(sim::Call::get_class_devices)) return invalid_handle();
    std::vector<std::string> paths;
    for (const sim::HidDevice& d : sim::hid().attached)
        if (d.plugged || (flags & kDigcfPresent) == 0) paths.push_back(d.path);
    return sim::hid().make_set(guid, flags, std::move(paths));
}

bool enum_device_interfaces(DeviceInfoSet set, const Guid& guid, std::uint32_t index, DeviceInterfaceData& data) {
    return !refuses(sim::Call::enum_device_interfaces) && sim::hid().enum_interface(set, guid, index, data);
}

bool get_device_interface_detail(DeviceInfoSet set, DeviceInterfaceData& data, DeviceInterfaceDetail* detail,
                                 std::uint32_t detail_size, std::uint32_t* required_size) {
    return !refuses(sim::Call::get_device_interface_detail) &&
           sim::hid().interface_detail(set, data, detail, detail_size, required_size);
}

bool destroy_device_info_list(DeviceInfoSet set) {
    return !refuses(sim::Call::destroy_device_info_list) && sim::hid().destroy_set(set);
}

bool hid_get_attributes(Handle device, HidAttributes& attributes) {
    if (refuses(sim::Call::hid_get_attributes)) return false;
    const sim::HidDevice* d = device_behind(device);
    if (d == nullptr) return false;
    attributes = windows_model::hid_attributes(d->vendor_id, d->product_id, 0x0100);
    return true;
}

bool hid_get_preparsed_data(Handle device, PreparsedData& data) {
    if (refuses(sim::Call::hid_get_preparsed_data)) return false;
    const sim::HidDevice* d = device_behind(device);
    if (d == nullptr) return false;
    data = sim::hid().take_preparsed(caps_of(*d));
    return true;
}

std::int32_t hid_get_caps(PreparsedData data, HidCaps& caps) {
    if (refuses(sim::Call::hid_get_caps)) return kHidpStatusInvalidPreparsedData;
    return sim::hid().caps_of(data, caps);
}

bool hid_free_preparsed_data(PreparsedData data) {
    return !refuses(sim::Call::hid_free_preparsed_data) && sim::hid().free_preparsed(data);
}

}  // namespace platform
