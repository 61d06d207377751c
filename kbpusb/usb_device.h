#pragma once
// The keyboard among the HID devices: found by its vendor identifier, sent one
// output report per byte.
#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

namespace kbpusb {

// The library's own allocator: the C heap.
void* heap_allocate(std::size_t size);

// Longer than any HID interface path either system gives, with its zero.
constexpr std::size_t kChosenPathSize = 4096;

// Everything kbpusb keeps between calls, for exactly one device.
struct UsbState {
    std::uint8_t device_state = 0;  // 0: no device open, the next send searches; 1: open
    platform::Handle device_handle = nullptr;
    std::uint16_t output_report_length = 0;  // report identifier included
    std::uint8_t pending_byte = 0;
    // The device path the host chose among several keyboards; empty: the
    // first interface of the vendor in enumeration order.
    char chosen_path[kChosenPathSize] = {};
    // Where the detail data and the report buffers come from (released with
    // std::free); null when memory is refused.
    void* (*allocate)(std::size_t size) = heap_allocate;
};
extern UsbState usb_state;

// Puts the state back to its value at load, as a fresh load of the library.
void reset_usb_state();

// 1 when an interface of the keyboard's vendor that can carry a byte was found
// and opened (it becomes device_handle), else 0.
std::uint8_t usb_find_device();
// Reads the open device's output report length.
void usb_read_caps();
// Writes pending_byte as one output report; a refused write closes the device.
void usb_write_report();

// snddata_USB: 0 when the report was written, 1 when there is no device or the write failed.
std::uint8_t send_byte(int value);
// Close_USB: 0 when an open device was closed, 1 when none was open.
std::uint8_t close_device();
// SetDevice_USB: the device path later sends open (null or empty: the first of
// the vendor). An open device is closed when the choice changes. 0 done, 1 when
// the path is longer than a device path can be (nothing changes then).
std::uint8_t choose_device(const char* path);

}  // namespace kbpusb
