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

namespace kbptool::host {
using windows::system_error_text;

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

// The COM ports a port text can name that the system has, and the HID
// interfaces of the keyboard's vendor.
std::vector<FoundDevice> devices(const Library& library) {
    std::vector<FoundDevice> found;
    for (int number = 1;; ++number) {
        const std::string name = KBP_PORT_TEXT_COM + std::to_string(number);
        kbp_port_text reading{};
        if (library.read_port_text(name.c_str(), &reading) != 0 || reading.problem != KBP_PORT_AS_WRITTEN) break;
        char target[1024] = {};
        const bool named = QueryDosDeviceA(name.c_str(), target, sizeof target) != 0;
        if (named || GetLastError() == ERROR_INSUFFICIENT_BUFFER) found.push_back({"com", name, named ? target : ""});
    }
    GUID hid_class{};
    HidD_GetHidGuid(&hid_class);
    const HDEVINFO set = SetupDiGetClassDevsA(&hid_class, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return found;
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(set, nullptr, &hid_class, index, &data); ++index) {
        const std::string path = interface_path(set, data);
        HIDD_ATTRIBUTES attributes{};
        if (!path.empty() && hid_attributes(path, attributes) && attributes.VendorID == KBP_USB_VENDOR_ID)
            found.push_back({"hid", path, usb_ids_text(attributes.VendorID, attributes.ProductID), true});
    }
    SetupDiDestroyDeviceInfoList(set);
    return found;
}

// The port opened by the tool itself, as the library opens it: Windows' own
// reason, before the library searches a port that is not there.
std::optional<Failure> port_refusal(const kbp_port_text& reading) {
    // A number the library does not open it refuses itself.
    if (reading.problem == KBP_PORT_COM_NUMBER) return std::nullopt;
    const std::string name = reading.port;
    const HANDLE port = CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    0, nullptr);
    DWORD code = port == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    const bool opened = code == 0;
    if (opened) {
        DCB line{};
        line.DCBlength = sizeof line;
        if (!GetCommState(port, &line)) code = GetLastError();
        CloseHandle(port);
    }
    if (code == 0) return std::nullopt;
    const std::string windows_says = " (Windows says: " + system_error_text(code, name) + ")";
    Failure words{name + " cannot be used: nothing was written to the keyboard", name + " cannot be opened" + windows_says,
                  ""};
    if (opened) {
        words.reason = name + " opens, but it is no serial line Windows can set up" + windows_says;
        words.hint = "name the COM port the keyboard's cable is on (`kbptool detect` lists the ports); the Device "
                     "Manager shows them under Ports (COM & LPT)";
    } else if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
        words.reason = name + " does not exist on this PC" + windows_says;
        words.hint = "name a COM port that `kbptool detect` lists; the Device Manager shows the keyboard's port "
                     "under Ports (COM & LPT)";
    } else if (code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION) {
        words.reason = name + " is in use by another program" + windows_says;
        words.hint = "close the program that holds " + name + " (a terminal program, another kbptool), then try again";
    }
    return words;
}
}  // namespace kbptool::host
