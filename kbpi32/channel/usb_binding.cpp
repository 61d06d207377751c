#include "usb_binding.h"

#include <cstdint>

#include "include/kbp_protocol.h"
#include "kbpi32/channel/send_status.h"

namespace kbp {

UsbBindingState usb_binding_state;

namespace {

constexpr std::uintptr_t kHighestFailedLoad = 32;

bool library_loaded() {
    return reinterpret_cast<std::uintptr_t>(usb_binding_state.usb_library) > kHighestFailedLoad;
}

}  // namespace

std::uint8_t usb_bind() {
    UsbBindingState& s = usb_binding_state;
    s.usb_library = platform::load_library(KBP_USB_LIBRARY_NAME);
    if (!library_loaded()) return 1;
    s.snddata_usb = reinterpret_cast<SnddataUsb>(platform::find_symbol(s.usb_library, KBP_USB_SEND_ROUTINE));
    return s.snddata_usb == nullptr ? 1 : 0;
}

std::uint8_t usb_send_byte(int byte) {
    if (!library_loaded()) usb_bind();
    if (!library_loaded() || usb_binding_state.snddata_usb == nullptr) return send_status::kRefused;
    return usb_binding_state.snddata_usb(byte);
}

std::uint8_t usb_release() {
    UsbBindingState& s = usb_binding_state;
    if (!library_loaded()) return 1;
    // Looked up but not called: closing here would cut off the closing
    // commands the transfer still sends over the same device.
    s.close_usb = reinterpret_cast<CloseUsb>(platform::find_symbol(s.usb_library, KBP_USB_CLOSE_ROUTINE));
    return 1;
}

}  // namespace kbp
