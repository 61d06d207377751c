// HID devices of the simulated PC: SetupAPI enumeration and the HID class calls.
#include <cstddef>
#include <cstring>

#include "platform/hid.h"
#include "platform/sim/devices.h"
#include "platform/sim/faults.h"
#include "platform/sim/hid_devices.h"

namespace sim {

namespace {

constexpr platform::Guid kHidGuid = platform::kHidInterfaceGuid;
using platform::kHidpStatusInvalidPreparsedData;
using platform::kInterfaceActive;

bool same_guid(const platform::Guid& a, const platform::Guid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

HidDevice* device_behind(platform::Handle handle) {
    return dynamic_cast<HidDevice*>(devices().lookup(handle));
}

std::vector<HidDevice*>* members_of(platform::DeviceInfoSet set) {
    auto it = hid().sets.find(reinterpret_cast<std::uintptr_t>(set));
    if (it == hid().sets.end()) {
        ++hid().faulty_calls;
        return nullptr;
    }
    return &it->second;
}

bool refuses(Call call) { return faults().refuses(call); }

}  // namespace

}  // namespace sim

namespace platform {

void hid_get_guid(Guid& guid) {
    sim::faults().note(sim::Call::hid_get_guid);
    guid = sim::kHidGuid;
}

DeviceInfoSet get_class_devices(const Guid& guid, std::uint32_t flags) {
    if (sim::refuses(sim::Call::get_class_devices)) return invalid_handle();
    sim::Hid& h = sim::hid();
    ++h.sets_made;
    std::vector<sim::HidDevice*> members;
    if (sim::same_guid(guid, sim::kHidGuid) && (flags & kDigcfDeviceInterface) != 0) {
        for (sim::HidDevice& d : h.attached)
            if (d.plugged || (flags & kDigcfPresent) == 0) members.push_back(&d);
    }
    const std::uintptr_t id = h.next_set;
    h.next_set += 4;
    h.sets[id] = std::move(members);
    return reinterpret_cast<DeviceInfoSet>(id);
}

bool enum_device_interfaces(DeviceInfoSet set, const Guid& guid, std::uint32_t index, DeviceInterfaceData& data) {
    if (sim::refuses(sim::Call::enum_device_interfaces)) return false;
    const std::vector<sim::HidDevice*>* members = sim::members_of(set);
    if (members == nullptr) return false;
    if (data.cbSize != platform::kDeviceInterfaceDataSize) {
        ++sim::hid().faulty_calls;
        return false;
    }
    if (!sim::same_guid(guid, sim::kHidGuid) || index >= members->size()) return false;
    data.InterfaceClassGuid = guid;
    data.Flags = sim::kInterfaceActive;
    data.Reserved = index + 1;
    return true;
}

bool get_device_interface_detail(DeviceInfoSet set, DeviceInterfaceData& data, DeviceInterfaceDetail* detail,
                                 std::uint32_t detail_size, std::uint32_t* required_size) {
    if (sim::refuses(sim::Call::get_device_interface_detail)) return false;
    const std::vector<sim::HidDevice*>* members = sim::members_of(set);
    if (members == nullptr) return false;
    if (data.Reserved == 0 || data.Reserved > members->size()) {
        ++sim::hid().faulty_calls;
        return false;
    }
    const sim::HidDevice& device = *(*members)[data.Reserved - 1];
    const auto path_size = static_cast<std::uint32_t>(device.path.size() + 1);
    const std::uint32_t needed = offsetof(DeviceInterfaceDetail, DevicePath) + path_size;
    if (required_size != nullptr) *required_size = needed;
    if (detail == nullptr) return false;  // the size question
    if (detail->cbSize != platform::kDeviceInterfaceDetailSize) {
        ++sim::hid().faulty_calls;
        return false;
    }
    if (detail_size < needed) return false;
    std::memcpy(reinterpret_cast<char*>(detail) + offsetof(DeviceInterfaceDetail, DevicePath), device.path.c_str(),
                path_size);
    return true;
}

bool destroy_device_info_list(DeviceInfoSet set) {
    if (sim::refuses(sim::Call::destroy_device_info_list)) return false;
    sim::Hid& h = sim::hid();
    if (h.sets.erase(reinterpret_cast<std::uintptr_t>(set)) == 0) {
        ++h.faulty_calls;
        return false;
    }
    ++h.sets_destroyed;
    return true;
}

bool hid_get_attributes(Handle device, HidAttributes& attributes) {
    if (sim::refuses(sim::Call::hid_get_attributes)) return false;
    const sim::HidDevice* d = sim::device_behind(device);
    if (d == nullptr) return false;
    attributes.VendorID = d->vendor_id;
    attributes.ProductID = d->product_id;
    attributes.VersionNumber = 0x0100;
    return true;
}

bool hid_get_preparsed_data(Handle device, PreparsedData& data) {
    if (sim::refuses(sim::Call::hid_get_preparsed_data)) return false;
    sim::HidDevice* d = sim::device_behind(device);
    if (d == nullptr) return false;
    sim::Hid& h = sim::hid();
    ++h.preparsed_taken;
    const std::uintptr_t id = h.next_preparsed;
    h.next_preparsed += 8;
    h.preparsed[id] = d;
    data = reinterpret_cast<PreparsedData>(id);
    return true;
}

std::int32_t hid_get_caps(PreparsedData data, HidCaps& caps) {
    if (sim::refuses(sim::Call::hid_get_caps)) return sim::kHidpStatusInvalidPreparsedData;
    sim::Hid& h = sim::hid();
    auto it = h.preparsed.find(reinterpret_cast<std::uintptr_t>(data));
    if (it == h.preparsed.end()) {
        ++h.faulty_calls;
        return sim::kHidpStatusInvalidPreparsedData;
    }
    caps = HidCaps{};
    caps.UsagePage = 0x01;
    caps.Usage = 0x06;
    caps.InputReportByteLength = 9;
    caps.OutputReportByteLength = it->second->output_report_length;
    return platform::kHidpStatusSuccess;
}

bool hid_free_preparsed_data(PreparsedData data) {
    if (sim::refuses(sim::Call::hid_free_preparsed_data)) return false;
    sim::Hid& h = sim::hid();
    if (h.preparsed.erase(reinterpret_cast<std::uintptr_t>(data)) == 0) {
        ++h.faulty_calls;
        return false;
    }
    ++h.preparsed_freed;
    return true;
}

}  // namespace platform
