#include "class_driver.h"

#include "platform/platform.h"

namespace kbp {

using namespace class_driver;

namespace {

// Opens the device, makes one control call whose outcome is not examined, and
// closes it again: kNotOpened when it cannot be opened, else the close result.
std::int32_t call_driver(std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                         std::uint32_t out_size) {
    const platform::Handle device = platform::open_device(
        kDeviceName, platform::kGenericRead | platform::kGenericWrite, platform::kShareNone);
    if (device == platform::invalid_handle()) return kNotOpened;
    std::uint32_t returned = 0;
    platform::device_control(device, code, in, in_size, out, out_size, &returned);
    return platform::close_handle(device) ? 1 : 0;
}

std::int32_t call_without_data(std::uint32_t code) {
    std::uint8_t ignored = 0;
    return call_driver(code, nullptr, 0, &ignored, sizeof ignored);
}

}  // namespace

std::int32_t vdd_translate_on() { return call_without_data(kTranslateOn); }

std::int32_t vdd_translate_off() { return call_without_data(kTranslateOff); }

std::int32_t vdd_kbd_capture() { return call_without_data(kCapture); }

std::int32_t vdd_kbd_release() { return call_without_data(kRelease); }

std::int32_t vdd_kbd_clr() { return call_without_data(kClear); }

std::int32_t vdd_EF_available() {
    std::uint32_t waiting = 0;  // stays 0 when the device cannot be opened
    call_driver(kByteAvailable, nullptr, 0, &waiting, sizeof waiting);
    return static_cast<std::int32_t>(waiting);
}

std::uint8_t vdd_EF_get() {
    std::uint8_t byte = kNoByte;
    call_driver(kGetByte, nullptr, 0, &byte, sizeof byte);
    return byte;
}

std::int32_t vdd_sendbyte(int value) {
    const auto byte = static_cast<std::uint8_t>(value);
    std::uint8_t ignored = 0;
    return call_driver(kSendByte, &byte, sizeof byte, &ignored, sizeof ignored);
}

}  // namespace kbp
