#include "hosts/windows/windows_devices.h"

#include <windows.h>

#include <setupapi.h>

#include <cstdio>

extern "C" {
#include <hidsdi.h>
}

#include "include/kbp_protocol.h"
#include "output/readable_text.h"

namespace kbptool {

namespace {

// The path of one interface of the set; empty when the system gives none.
std::string interface_path(HDEVINFO set, SP_DEVICE_INTERFACE_DATA& data) {
    DWORD required = 0;
    SetupDiGetDeviceInterfaceDetailA(set, &data, nullptr, 0, &required, nullptr);
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return {};
    std::vector<char> buffer(required + 1, '\0');
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!SetupDiGetDeviceInterfaceDetailA(set, &data, detail, required, nullptr, nullptr)) return {};
    return detail->DevicePath;
}

// Vendor and product of a HID interface, asked without read or write access
// (which a keyboard the system holds would refuse).
bool hid_attributes(const std::string& path, HIDD_ATTRIBUTES& attributes) {
    const HANDLE device = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                      nullptr);
    if (device == INVALID_HANDLE_VALUE) return false;
    attributes = {};
    attributes.Size = sizeof attributes;
    const bool ok = HidD_GetAttributes(device, &attributes) != FALSE;
    CloseHandle(device);
    return ok;
}

}  // namespace

std::vector<FoundDevice> present_com_ports() {
    std::vector<FoundDevice> ports;
    for (char number = '1'; number <= '9'; ++number) {
        const std::string name = std::string("COM") + number;
        char target[1024] = {};
        if (QueryDosDeviceA(name.c_str(), target, sizeof target) != 0)
            ports.push_back({"com", name, target});
        else if (GetLastError() == ERROR_INSUFFICIENT_BUFFER)
            ports.push_back({"com", name, ""});
    }
    return ports;
}

std::vector<FoundDevice> vendor_hid_devices() {
    std::vector<FoundDevice> devices;
    GUID hid_class{};
    HidD_GetHidGuid(&hid_class);
    const HDEVINFO set = SetupDiGetClassDevsA(&hid_class, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return devices;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hid_class, index, &data); ++index) {
        const std::string path = interface_path(set, data);
        HIDD_ATTRIBUTES attributes{};
        if (path.empty() || !hid_attributes(path, attributes) || attributes.VendorID != KBP_USB_VENDOR_ID)
            continue;
        devices.push_back({"hid", path, usb_ids_text(attributes.VendorID, attributes.ProductID)});
    }
    SetupDiDestroyDeviceInfoList(set);
    return devices;
}

}  // namespace kbptool
