#include "platform/windows_model/hid_tables.h"

#include <cstddef>
#include <cstring>

namespace platform::windows_model {

namespace {
bool same_guid(const Guid& a, const Guid& b) { return std::memcmp(&a, &b, sizeof a) == 0; }
constexpr std::uintptr_t kHandleStride = 8;
}  // namespace

DeviceInfoSet HidTables::make_set(const Guid& guid, std::uint32_t flags, std::vector<std::string> paths) {
    ++sets_made;
    if (!same_guid(guid, kHidInterfaceGuid) || (flags & kDigcfDeviceInterface) == 0) paths.clear();
    const std::uintptr_t id = next_set;
    next_set += kHandleStride;
    sets[id] = std::move(paths);
    return reinterpret_cast<DeviceInfoSet>(id);
}

const std::vector<std::string>* HidTables::members_of(DeviceInfoSet set) {
    const auto it = sets.find(reinterpret_cast<std::uintptr_t>(set));
    if (it == sets.end()) {
        ++faulty_calls;
        return nullptr;
    }
    return &it->second;
}

// An interface record names its member by Reserved, never 0 for one that
// the enumeration filled.
bool HidTables::enum_interface(DeviceInfoSet set, const Guid& guid, std::uint32_t index, DeviceInterfaceData& data) {
    const std::vector<std::string>* members = members_of(set);
    if (members == nullptr) return false;
    if (data.cbSize != kDeviceInterfaceDataSize) {
        ++faulty_calls;
        return false;
    }
    if (!same_guid(guid, kHidInterfaceGuid) || index >= members->size()) return false;
    data.InterfaceClassGuid = guid;
    data.Flags = kInterfaceActive;
    data.Reserved = std::uintptr_t{index} + 1;
    return true;
}

bool HidTables::interface_detail(DeviceInfoSet set, const DeviceInterfaceData& data, DeviceInterfaceDetail* detail,
                                 std::uint32_t detail_size, std::uint32_t* required_size) {
    const std::vector<std::string>* members = members_of(set);
    if (members == nullptr) return false;
    if (data.cbSize != kDeviceInterfaceDataSize || data.Reserved == 0 || data.Reserved > members->size() ||
        (detail != nullptr && detail->cbSize != kDeviceInterfaceDetailSize)) {
        ++faulty_calls;
        return false;
    }
    const std::string& path = (*members)[data.Reserved - 1];
    const auto needed = static_cast<std::uint32_t>(offsetof(DeviceInterfaceDetail, DevicePath) + path.size() + 1);
    if (required_size != nullptr) *required_size = needed;
    // No record, or one too small: the size question, answered in `required_size`.
    if (detail == nullptr || detail_size < needed) return false;
    std::memcpy(detail->DevicePath, path.c_str(), path.size() + 1);
    return true;
}

bool HidTables::destroy_set(DeviceInfoSet set) {
    if (sets.erase(reinterpret_cast<std::uintptr_t>(set)) == 0) {
        ++faulty_calls;
        return false;
    }
    ++sets_destroyed;
    return true;
}

PreparsedData HidTables::take_preparsed(const HidCaps& caps) {
    ++preparsed_taken;
    const std::uintptr_t id = next_preparsed;
    next_preparsed += kHandleStride;
    preparsed[id] = caps;
    return reinterpret_cast<PreparsedData>(id);
}

std::int32_t HidTables::caps_of(PreparsedData data, HidCaps& caps) {
    const auto it = preparsed.find(reinterpret_cast<std::uintptr_t>(data));
    if (it == preparsed.end()) {
        ++faulty_calls;
        return kHidpStatusInvalidPreparsedData;
    }
    caps = it->second;
    return kHidpStatusSuccess;
}

bool HidTables::free_preparsed(PreparsedData data) {
    if (preparsed.erase(reinterpret_cast<std::uintptr_t>(data)) == 0) {
        ++faulty_calls;
        return false;
    }
    ++preparsed_freed;
    return true;
}

HidAttributes hid_attributes(std::uint16_t vendor, std::uint16_t product, std::uint16_t version) {
    return {kHidAttributesSize, vendor, product, version};
}

}  // namespace platform::windows_model
