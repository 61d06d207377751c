#pragma once
// The keyboard over USB through kbpusb, loaded by name at the first need.
#include <cstdint>

#include "platform/abi.h"
#include "platform/platform.h"

namespace kbp {

using SnddataUsb = std::uint8_t(KBP_STDCALL*)(int value);
using CloseUsb = std::uint8_t(KBP_STDCALL*)();

struct UsbBindingState {
    // As LoadLibraryA returned it; 32 or less means not loaded. Never unloaded.
    platform::Module usb_library = nullptr;
    SnddataUsb snddata_usb = nullptr;
    CloseUsb close_usb = nullptr;
    bool operator==(const UsbBindingState&) const = default;
};
extern UsbBindingState usb_binding_state;

// Loads kbpusb by its bare name (again: each call adds a load) and finds its
// send routine: 0 bound, 1 failed.
std::uint8_t usb_bind();
// 0 when kbpusb reports the byte sent, else 1. Binds first while the library is not loaded.
std::uint8_t usb_send_byte(int byte);
// The end of a transfer over USB: the device stays open for the commands that
// follow. Always 1; never calls into the library.
std::uint8_t usb_release();

}  // namespace kbp
