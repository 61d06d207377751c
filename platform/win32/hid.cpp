// HID device interfaces: SetupAPI enumeration and the HID class calls.
#include <windows.h>

#include <setupapi.h>

#include <cstddef>

extern "C" {
#include <hidsdi.h>
}

#include "platform/hid.h"

namespace platform {

static_assert(sizeof(Guid) == sizeof(GUID));
static_assert(kDeviceInterfaceDataSize == sizeof(SP_DEVICE_INTERFACE_DATA));
static_assert(kDeviceInterfaceDetailSize == sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A));
static_assert(offsetof(DeviceInterfaceData, Flags) == offsetof(SP_DEVICE_INTERFACE_DATA, Flags));
static_assert(offsetof(DeviceInterfaceData, Reserved) == offsetof(SP_DEVICE_INTERFACE_DATA, Reserved));
static_assert(offsetof(DeviceInterfaceDetail, DevicePath) ==
              offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath));
static_assert(kHidAttributesSize == sizeof(HIDD_ATTRIBUTES));
static_assert(offsetof(HidAttributes, VendorID) == offsetof(HIDD_ATTRIBUTES, VendorID));
static_assert(offsetof(HidAttributes, VersionNumber) == offsetof(HIDD_ATTRIBUTES, VersionNumber));
static_assert(sizeof(HidCaps) == sizeof(HIDP_CAPS));
static_assert(offsetof(HidCaps, OutputReportByteLength) == offsetof(HIDP_CAPS, OutputReportByteLength));
static_assert(kDigcfPresent == DIGCF_PRESENT && kDigcfDeviceInterface == DIGCF_DEVICEINTERFACE);
static_assert(kHidpStatusSuccess == HIDP_STATUS_SUCCESS);
static_assert(kHidpStatusInvalidPreparsedData == HIDP_STATUS_INVALID_PREPARSED_DATA);
static_assert(kInterfaceActive == SPINT_ACTIVE);
static_assert(sizeof(DeviceInfoSet) == sizeof(HDEVINFO) && sizeof(PreparsedData) == sizeof(PHIDP_PREPARSED_DATA));

void hid_get_guid(Guid& guid) { HidD_GetHidGuid(reinterpret_cast<GUID*>(&guid)); }

DeviceInfoSet get_class_devices(const Guid& guid, std::uint32_t flags) {
    return SetupDiGetClassDevsA(reinterpret_cast<const GUID*>(&guid), nullptr, nullptr, flags);
}

bool enum_device_interfaces(DeviceInfoSet set, const Guid& guid, std::uint32_t index, DeviceInterfaceData& data) {
    return SetupDiEnumDeviceInterfaces(set, nullptr, reinterpret_cast<const GUID*>(&guid), index,
                                       reinterpret_cast<SP_DEVICE_INTERFACE_DATA*>(&data)) != FALSE;
}

bool get_device_interface_detail(DeviceInfoSet set, DeviceInterfaceData& data, DeviceInterfaceDetail* detail,
                                 std::uint32_t detail_size, std::uint32_t* required_size) {
    DWORD required = 0;
    const BOOL ok = SetupDiGetDeviceInterfaceDetailA(set, reinterpret_cast<SP_DEVICE_INTERFACE_DATA*>(&data),
                                                     reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(detail),
                                                     detail_size, &required, nullptr);
    if (required_size != nullptr) *required_size = required;
    return ok != FALSE;
}

bool destroy_device_info_list(DeviceInfoSet set) { return SetupDiDestroyDeviceInfoList(set) != FALSE; }

bool hid_get_attributes(Handle device, HidAttributes& attributes) {
    return HidD_GetAttributes(device, reinterpret_cast<HIDD_ATTRIBUTES*>(&attributes)) != FALSE;
}

bool hid_get_preparsed_data(Handle device, PreparsedData& data) {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    const BOOLEAN ok = HidD_GetPreparsedData(device, &preparsed);
    data = preparsed;
    return ok != FALSE;
}

std::int32_t hid_get_caps(PreparsedData data, HidCaps& caps) {
    return HidP_GetCaps(static_cast<PHIDP_PREPARSED_DATA>(data), reinterpret_cast<HIDP_CAPS*>(&caps));
}

bool hid_free_preparsed_data(PreparsedData data) {
    return HidD_FreePreparsedData(static_cast<PHIDP_PREPARSED_DATA>(data)) != FALSE;
}

}  // namespace platform
