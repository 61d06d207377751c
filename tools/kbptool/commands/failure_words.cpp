#include "commands/failure_words.h"

#include "include/kbp_protocol.h"

namespace kbptool {

namespace {

constexpr const char* kDllBeside =
    "put " KBP_USB_LIBRARY_NAME " beside kbpi32.dll (on Linux it is linked in: report this as a fault)";

bool says(const std::string& status, const char* words) { return status.find(words) != std::string::npos; }

std::string other_paths(const Route& route) {
    return route.path == Path::com ? "another --port setting, or a path without COM (--interface ports|class|portdriver, --usb)"
                                   : "another path: --interface ports|class|portdriver, --usb, or --port COMn";
}

}  // namespace

std::string cable_hint(const Route& route) {
    return "check the keyboard's cable and power, then try " + other_paths(route);
}

Explanation explain_download(int result, const std::string& status, const Route& route) {
    switch (result) {
    case -2:
        if (route.com_port.starts_with("COM") && route.com_port.size() > 4)
            return {"the library names only COM1..COM9", "use a COM port of one digit; Windows can give the "
                                                             "keyboard's port another number in the Device Manager"};
        if (says(status, "unable to open"))
            return {route.com_port + " cannot be opened: it does not exist here, or another program holds it",
                    "name a COM port that `kbptool detect` lists (COM1..COM9), and close programs that use it"};
        if (says(status, "unable to download"))
            return {"no keyboard echoed on " + route.com_port + " at any of the 24 line settings the search tries",
                    "check the serial cable and the keyboard's power, or name the settings: --port " + route.com_port +
                        ":9600,N,8,1"};
        return {route.com_port + " cannot be set up with these settings",
                "try other settings (--port " + route.com_port + ":9600,N,8,1), or " + route.com_port +
                    " alone to search them"};
    case -3:
        return {"the port text names no COM port: it must be USB, AT, or COM1..COM9 with optional settings",
                "--port COM1:9600,N,8,1, --port COM1, or --usb"};
    case -4:
        return {route.com_port + " could not be closed after the transfer; the image may have arrived",
                "run `kbptool verify IMAGE` without --port to check what the keyboard holds"};
    case -5:
        if (says(status, KBP_USB_LIBRARY_NAME))
            return {"the USB library " KBP_USB_LIBRARY_NAME " or its send routine cannot be loaded", kDllBeside};
        if (says(status, "download check failed"))
            return {"no keyboard answered on the " + route.name() +
                        " before the first block (a read of address 0); nothing was written",
                    cable_hint(route)};
        return {"a block was not taken part way through: the keyboard now holds part of the image",
                "check the cable, then download the image again"};
    case -6: return {"the library refused the image", "check the file with `kbptool info IMAGE`"};
    case -7: return {"the library could not open the image file", "check the file's name and rights"};
    default: return {"kbp_download returned " + std::to_string(result), ""};
    }
}

Explanation explain_upload(const std::string& status, const Route& route) {
    if (says(status, KBP_USB_LIBRARY_NAME))
        return {"the USB library " KBP_USB_LIBRARY_NAME " cannot be loaded", kDllBeside};
    if (says(status, "creation failed") || says(status, "write into"))
        return {"the read image could not be written to disk", "check the folder's free space and rights"};
    return {"the keyboard did not answer the read requests on the " + route.upload_name() +
                " (or the UPLOAD ERROR box was answered Cancel); an upload also needs the capture library KBPFUNC.DLL",
            cable_hint(route)};
}

}  // namespace kbptool
