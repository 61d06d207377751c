#pragma once
// SetupAPI's device-information sets and the HID class's preparsed data, as
// Windows hands them out, for a backend without Windows: the handles, the
// enumeration protocol with its record sizes and its size question, and the
// caps behind each preparsed-data handle. Which devices there are is the
// backend's; a set holds the device paths present when it was made.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/hid.h"

namespace platform::windows_model {

struct HidTables {
    // Device-information sets: the interface paths of each.
    std::map<std::uintptr_t, std::vector<std::string>> sets;
    std::uintptr_t next_set = 0x5E70000;
    unsigned sets_made = 0;       // SetupDiGetClassDevsA
    unsigned sets_destroyed = 0;  // SetupDiDestroyDeviceInfoList
    // Preparsed data: the caps each stands for.
    std::map<std::uintptr_t, HidCaps> preparsed;
    std::uintptr_t next_preparsed = 0x9A0000;
    unsigned preparsed_taken = 0;  // HidD_GetPreparsedData
    unsigned preparsed_freed = 0;  // HidD_FreePreparsedData
    // Wrong record sizes, unknown sets or preparsed data: a fault of the caller.
    unsigned faulty_calls = 0;

    // SetupDiGetClassDevsA: a set of `paths` when asked for the HID interface
    // class's interfaces, else an empty one.
    DeviceInfoSet make_set(const Guid& guid, std::uint32_t flags, std::vector<std::string> paths);
    bool enum_interface(DeviceInfoSet set, const Guid& guid, std::uint32_t index, DeviceInterfaceData& data);
    bool interface_detail(DeviceInfoSet set, const DeviceInterfaceData& data, DeviceInterfaceDetail* detail,
                          std::uint32_t detail_size, std::uint32_t* required_size);
    bool destroy_set(DeviceInfoSet set);

    PreparsedData take_preparsed(const HidCaps& caps);
    // HidP_GetCaps' status.
    std::int32_t caps_of(PreparsedData data, HidCaps& caps);
    bool free_preparsed(PreparsedData data);

private:
    const std::vector<std::string>* members_of(DeviceInfoSet set);
};

// HidD_GetAttributes' record of a device.
HidAttributes hid_attributes(std::uint16_t vendor, std::uint16_t product, std::uint16_t version);

}  // namespace platform::windows_model
