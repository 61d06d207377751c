#pragma once
// The platform contract: HID devices (HidD_*, HidP_GetCaps, SetupDi*).
#include <cstdint>

#include "platform/devices_files.h"

namespace platform {

// Same layout as GUID.
struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

// The HID device-interface class (GUID_DEVINTERFACE_HID), as HidD_GetHidGuid gives it.
constexpr Guid kHidInterfaceGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// A device-information set (HDEVINFO); invalid_handle() when none was made.
using DeviceInfoSet = void*;

// Whether this is a 64-bit process: the SetupAPI records differ in size.
constexpr bool kPointers64 = sizeof(void*) == 8;

// Same layout as SP_DEVICE_INTERFACE_DATA.
struct DeviceInterfaceData {
    std::uint32_t cbSize;
    Guid InterfaceClassGuid;
    std::uint32_t Flags;
    std::uintptr_t Reserved;
};
// The cbSize SetupDiEnumDeviceInterfaces insists on: 28 in a 32-bit process, 32 in a 64-bit one.
constexpr std::uint32_t kDeviceInterfaceDataSize = sizeof(DeviceInterfaceData);
static_assert(kDeviceInterfaceDataSize == (kPointers64 ? 32 : 28));

// Same layout as SP_DEVICE_INTERFACE_DETAIL_DATA_A: cbSize, then the path.
struct DeviceInterfaceDetail {
    std::uint32_t cbSize;
    char DevicePath[1];
};
// The cbSize SetupDiGetDeviceInterfaceDetailA insists on: the SDK's record is
// packed in a 32-bit process (5 bytes) and aligned in a 64-bit one (8).
constexpr std::uint32_t kDeviceInterfaceDetailSize = kPointers64 ? 8 : 5;

// Same layout as HIDD_ATTRIBUTES.
struct HidAttributes {
    std::uint32_t Size;
    std::uint16_t VendorID;
    std::uint16_t ProductID;
    std::uint16_t VersionNumber;
};
constexpr std::uint32_t kHidAttributesSize = sizeof(HidAttributes);
static_assert(kHidAttributesSize == 12);

// Same layout as HIDP_CAPS.
struct HidCaps {
    std::uint16_t Usage;
    std::uint16_t UsagePage;
    std::uint16_t InputReportByteLength;
    std::uint16_t OutputReportByteLength;
    std::uint16_t FeatureReportByteLength;
    std::uint16_t Reserved[17];
    std::uint16_t counts[10];
};
static_assert(sizeof(HidCaps) == 64);

using PreparsedData = void*;

// What HidP_GetCaps returns on success (HIDP_STATUS_SUCCESS).
constexpr std::int32_t kHidpStatusSuccess = 0x00110000;
// What it returns for data that is no preparsed data (HIDP_STATUS_INVALID_PREPARSED_DATA).
constexpr std::int32_t kHidpStatusInvalidPreparsedData = static_cast<std::int32_t>(0xC0110001);
// SPINT_ACTIVE in a device interface's Flags.
constexpr std::uint32_t kInterfaceActive = 1;

constexpr std::uint32_t kDigcfPresent = 0x02;
constexpr std::uint32_t kDigcfDeviceInterface = 0x10;

void hid_get_guid(Guid& guid);
// SetupDiGetClassDevsA(guid, no enumerator, no window, flags).
DeviceInfoSet get_class_devices(const Guid& guid, std::uint32_t flags);
// SetupDiEnumDeviceInterfaces(set, no element, guid, index, data); false at the end.
bool enum_device_interfaces(DeviceInfoSet set, const Guid& guid, std::uint32_t index,
                            DeviceInterfaceData& data);
// SetupDiGetDeviceInterfaceDetailA(set, data, detail, size, required, no element).
bool get_device_interface_detail(DeviceInfoSet set, DeviceInterfaceData& data,
                                 DeviceInterfaceDetail* detail, std::uint32_t detail_size,
                                 std::uint32_t* required_size);
bool destroy_device_info_list(DeviceInfoSet set);
bool hid_get_attributes(Handle device, HidAttributes& attributes);
bool hid_get_preparsed_data(Handle device, PreparsedData& data);
// HidP_GetCaps: the NTSTATUS it returns (HIDP_STATUS_SUCCESS on success).
std::int32_t hid_get_caps(PreparsedData data, HidCaps& caps);
bool hid_free_preparsed_data(PreparsedData data);

}  // namespace platform
