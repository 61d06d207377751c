// Run-time loading: the two libraries the core loads by name are built in on
// Linux, the kbpusb core as KBPUSB.DLL and the capture library on evdev as
// KBPFUNC.DLL. Nothing else is loaded.
#include "include/kbp_protocol.h"
#include "include/kbpusb.h"
#include "platform/capture_library.h"
#include "platform/linux/built_in_libraries.h"
#include "platform/loading.h"
#include "platform/windows_model/capture_library.h"

namespace platform {

namespace linux_backend {

windows_model::LibraryTable built_in_libraries() {
    windows_model::LibraryTable table;
    table.install(KBP_USB_LIBRARY_NAME, windows_model::usb_library_symbols(reinterpret_cast<void*>(&snddata_USB),
                                                                          reinterpret_cast<void*>(&Close_USB)));
    table.install(kCaptureLibraryName, windows_model::capture_library_symbols());
    return table;
}

windows_model::LibraryTable& libraries() {
    static windows_model::LibraryTable table = built_in_libraries();
    return table;
}

}  // namespace linux_backend

Module load_library(const char* name) {
    linux_backend::libraries().note_attempt(name);
    return linux_backend::libraries().load(name);
}

void* find_symbol(Module module, const char* name) { return linux_backend::libraries().find(module, name); }

}  // namespace platform
