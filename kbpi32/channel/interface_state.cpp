#include "interface_state.h"

#include "os_version.h"

namespace kbp {

InterfaceState interface_state;

void choose_interface_automatically() {
    if (is_nt4())
        interface_state.use_class_driver = 1;
    else if (is_nt5())
        interface_state.use_port_driver = 1;
    else
        interface_state.use_ports = 1;
}

std::uint8_t set_interface(int kind) {
    InterfaceState& s = interface_state;
    s.use_ports = s.use_class_driver = s.use_port_driver = s.use_usb = 0;
    switch (static_cast<std::uint8_t>(kind)) {
    case kAutomatic: choose_interface_automatically(); break;
    case kControllerPorts: s.use_ports = 1; break;
    case kClassDriver: s.use_class_driver = 1; break;
    case kPortDriver: s.use_port_driver = 1; break;
    case kUsb: s.use_usb = 1; break;
    default: return 1;
    }
    s.interface_chosen = 1;
    return 0;
}

std::uint8_t get_interface() {
    const InterfaceState& s = interface_state;
    if (s.use_ports) return kControllerPorts;
    if (s.use_class_driver) return kClassDriver;
    if (s.use_port_driver) return kPortDriver;
    if (s.use_usb) return kUsb;
    return kAutomatic;
}

void ensure_interface_chosen() {
    if (interface_state.interface_chosen == 0) set_interface(kAutomatic);
}

}  // namespace kbp
