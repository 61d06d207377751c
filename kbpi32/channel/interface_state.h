#pragma once
// Which path to the keyboard is in use, and how it is chosen.
#include <cstdint>

#include "include/kbpi32.h"

namespace kbp {

// The process-wide interface flags, each 0 or 1. Several can be 1 at once: a
// "USB" port text adds use_usb on top of an automatic or earlier choice, and
// an open COM port adds use_serial. Readers decide by their order:
// kbp_get_interface tests ports, class driver, port driver, USB; the byte
// channel USB, serial, port driver, class driver, then the controller ports.
struct InterfaceState {
    std::uint32_t use_ports = 0;
    std::uint32_t use_class_driver = 0;
    std::uint32_t use_port_driver = 0;
    std::uint32_t use_usb = 0;
    std::uint32_t interface_chosen = 0;
    std::uint32_t use_serial = 0;  // a COM port is open for the download
    bool operator==(const InterfaceState&) const = default;
};
extern InterfaceState interface_state;

// The kinds as kbp_set_interface takes them, under the library's own names.
enum InterfaceKind : std::uint8_t {
    kAutomatic = KBP_INTERFACE_AUTOMATIC,
    kControllerPorts = KBP_INTERFACE_PORTS,
    kClassDriver = KBP_INTERFACE_CLASS_DRIVER,
    kPortDriver = KBP_INTERFACE_PORT_DRIVER,
    kUsb = KBP_INTERFACE_USB,
};

// kbp_set_interface: 0 accepted, 1 for a kind outside 0..4 (low 8 bits count).
std::uint8_t set_interface(int kind);
// kbp_get_interface: the first kind flag set, 0 when none.
std::uint8_t get_interface();
// Class driver on NT 4, port driver on NT 5, controller ports otherwise.
void choose_interface_automatically();
// Makes the automatic choice unless a choice has been made.
void ensure_interface_chosen();

}  // namespace kbp
