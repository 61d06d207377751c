// Run-time loading: the two libraries the core loads by name, KBPUSB.DLL and
// KBPFUNC.DLL, are built in on Linux, the kbpusb core and the evdev capture
// library. Nothing else is loaded.
#include <strings.h>

#include <map>
#include <string>

#include "include/kbpusb.h"
#include "platform/capture_library.h"
#include "platform/linux/evdev_capture.h"
#include "platform/loading.h"

namespace platform {

namespace {

constexpr char kUsbLibraryName[] = "KBPUSB.DLL";

const std::map<std::string, void*>& usb_library_symbols() {
    static const std::map<std::string, void*> symbols = {
        {"snddata_USB", reinterpret_cast<void*>(&snddata_USB)},
        {"Close_USB", reinterpret_cast<void*>(&Close_USB)},
    };
    return symbols;
}

}  // namespace

// The module handle is the library's table of routines.
Module load_library(const char* name) {
    if (name == nullptr) return nullptr;
    if (strcasecmp(name, kUsbLibraryName) == 0) return const_cast<std::map<std::string, void*>*>(&usb_library_symbols());
    if (strcasecmp(name, kCaptureLibraryName) == 0)
        return const_cast<std::map<std::string, void*>*>(&linux_backend::capture_library_symbols());
    return nullptr;
}

void* find_symbol(Module module, const char* name) {
    if (name == nullptr) return nullptr;
    for (const auto* library : {&usb_library_symbols(), &linux_backend::capture_library_symbols()}) {
        if (module != library) continue;
        const auto it = library->find(name);
        return it == library->end() ? nullptr : it->second;
    }
    return nullptr;
}

}  // namespace platform
