#include "transports.h"

#include "kbpi32/channel/class_driver_send.h"
#include "kbpi32/channel/controller_ports.h"
#include "kbpi32/channel/led_tunnel.h"
#include "kbpi32/channel/port_driver.h"
#include "kbpi32/channel/serial_port.h"
#include "kbpi32/channel/usb_binding.h"

namespace kbp {

namespace {

constexpr Transport kTransports[] = {
    {"USB", &InterfaceState::use_usb, usb_send_byte, usb_send_byte},
    {"serial line", &InterfaceState::use_serial, com_send_byte, com_send_byte},
    {"keyboard port driver", &InterfaceState::use_port_driver, portdrv_send_byte, portdrv_send_byte},
    {"keyboard class driver", &InterfaceState::use_class_driver, classdrv_send_byte, classdrv_send_byte},
    {"keyboard controller ports", &InterfaceState::use_ports, port_send_byte, led_tunnel_send},
};

}  // namespace

std::span<const Transport> transports() { return kTransports; }

const Transport& selected_transport() {
    const std::span<const Transport> all = transports();
    for (const Transport& t : all.first(all.size() - 1))
        if (interface_state.*t.selected_by != 0) return t;
    return all.back();
}

}  // namespace kbp
