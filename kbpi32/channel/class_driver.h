#pragma once
// The keyboard class driver "\\.\KEYBOARD": one call per control code, the
// device opened and closed around each.
#include <cstdint>

namespace kbp {

namespace class_driver {
constexpr char kDeviceName[] = "\\\\.\\KEYBOARD";
// Device type 0x0B (keyboard), METHOD_BUFFERED.
constexpr std::uint32_t kTranslateOn = 0xB1000;
constexpr std::uint32_t kTranslateOff = 0xB2000;
constexpr std::uint32_t kCapture = 0xB400C;
constexpr std::uint32_t kRelease = 0xB4010;
constexpr std::uint32_t kClear = 0xB4014;
constexpr std::uint32_t kByteAvailable = 0xB0400;
constexpr std::uint32_t kGetByte = 0xB0800;
constexpr std::uint32_t kSendByte = 0xB4000;

// What the wrappers answer when the device cannot be opened.
constexpr std::int32_t kNotOpened = -1;
constexpr std::uint8_t kNoByte = 0xFF;
}  // namespace class_driver

// -1 when the device cannot be opened, else the result of closing it (1).
std::int32_t vdd_translate_on();
std::int32_t vdd_translate_off();
// Hold the keyboard's bytes for the library / stop holding them / discard what is held.
std::int32_t vdd_kbd_capture();
std::int32_t vdd_kbd_release();
std::int32_t vdd_kbd_clr();
// Non-zero when a byte from the keyboard is held; 0 also when the device cannot be opened.
std::int32_t vdd_EF_available();
// The next byte held; 0xFF when the device cannot be opened or hands out no byte.
std::uint8_t vdd_EF_get();
// Sends the low byte of `value`; the result of closing the device, or -1 when
// it cannot be opened (nothing is sent then).
std::int32_t vdd_sendbyte(int value);

}  // namespace kbp
