// The devices on this PC that may lead to a keyboard, and a COM port opened by
// the tool itself to learn Windows' reason why it cannot be used.
#include <windows.h>
#include <setupapi.h>

extern "C" {
#include <hidsdi.h>
}

#include "hosts/windows/windows.h"
#include "include/kbp_protocol.h"
#include "output/text.h"

namespace kbptool::windows {

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

namespace {

// COM1..COM9: the only names the library opens.
bool one_digit_com_port(const std::string& name) {
    return name.size() == 4 && name.starts_with("COM") && name[3] >= '1' && name[3] <= '9';
}

struct PortError {
    DWORD code = 0;       // 0: the port opens and its line state can be read
    bool opened = false;  // the error came from reading the line state
};

// The port opened by the tool itself (and closed again), as the library opens it.
PortError port_error(const std::string& name) {
    const std::string device = "\\\\.\\" + name;
    const HANDLE port = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return {GetLastError(), false};
    DCB line{};
    line.DCBlength = sizeof line;
    const PortError error{GetCommState(port, &line) ? 0 : GetLastError(), true};
    CloseHandle(port);
    return error;
}

// Windows' reason why `name` cannot be used now, into `words`; false when it
// opens and its line state can be read.
bool words_for_port(const std::string& name, Failure& words) {
    const PortError error = port_error(name);
    if (error.code == 0) return false;
    const std::string windows_says = "Windows says: " + system_error_text(error.code, name);
    if (error.opened) {
        words.reason = name + " opens, but it is no serial line Windows can set up (" + windows_says + ")";
        words.hint = "name the COM port the keyboard's cable is on (`kbptool detect` lists the ports); the Device "
                     "Manager shows them under Ports (COM & LPT)";
        return true;
    }
    switch (error.code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        words.reason = name + " does not exist on this PC (" + windows_says + ")";
        words.hint = "name a COM port that `kbptool detect` lists; the Device Manager shows the keyboard's port "
                     "under Ports (COM & LPT)";
        return true;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        words.reason = name + " is in use by another program (" + windows_says + ")";
        words.hint = "close the program that holds " + name + " (a terminal program, another kbptool), then try again";
        return true;
    default:
        words.reason = name + " cannot be opened (" + windows_says + ")";
        return true;
    }
}

}  // namespace

std::optional<Failure> refuse_com_port(const std::string& name) {
    Failure words;
    if (!one_digit_com_port(name) || !words_for_port(name, words)) return std::nullopt;
    words.text = name + " cannot be used: nothing was written to the keyboard";
    return words;
}

}  // namespace kbptool::windows
