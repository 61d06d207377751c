#pragma once
// How each path is set up on the simulated PC for the throughput benchmark.
#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/serial_port.h"
#include "platform/sim/sim.h"
#include "tests/native/kbpusb_on_sim.h"

namespace kbp_bench {

inline void fresh_pc() {
    sim::reset();
    sim::faults().record = false;
    kbp::reset_library_state();
}

inline void controller_ports(kbdsim::Keyboard& keyboard) {
    fresh_pc();
    sim::controller().keyboard = &keyboard;
    sim::controller().record = false;
    kbp::set_interface(kbp::kControllerPorts);
}

inline void port_driver(kbdsim::Keyboard& keyboard) {
    fresh_pc();
    sim::drivers().port_driver.install(&keyboard);
    sim::drivers().port_driver.record = false;
    kbp::set_interface(kbp::kPortDriver);
}

inline void class_driver(kbdsim::Keyboard& keyboard) {
    fresh_pc();
    sim::drivers().class_driver.install(&keyboard);
    sim::drivers().class_driver.record = false;
    kbp::set_interface(kbp::kClassDriver);
}

inline void usb(kbdsim::Keyboard& keyboard) {
    fresh_pc();
    kbp_test::install_kbpusb();
    sim::hid().attach(0x053A, 9, &keyboard).record = false;
    kbp::set_interface(kbp::kUsb);
}

// COM1 set to 9600,N,8,1, as a download leaves it after the set-up.
inline void serial(kbdsim::Keyboard& keyboard) {
    fresh_pc();
    sim::com_port(1).keyboard = &keyboard;
    sim::com_port(1).record = false;
    kbp::set_com_device_name("COM1");
    kbp::set_port_settings_text("COM1:9600,N,8,1");
    kbp::com_open();
    kbp::com_configure(kbp::serial_state.port_settings);
    kbp::interface_state.use_serial = 1;
}

}  // namespace kbp_bench
