#pragma once
// How each path is set up on the simulated PC for the throughput benchmark.
#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/serial_port.h"
#include "platform/sim/scenario.h"
#include "tests/native/kbpusb_on_sim.h"

namespace kbp_bench {

// A fresh PC with the keyboard on `path` and nothing recorded, and the library as just loaded.
inline sim::Scenario on_fresh_pc(kbdsim::Keyboard& keyboard, sim::KeyboardPath path) {
    sim::Scenario scenario(keyboard);
    scenario.on(path).without_recording();
    return scenario;
}

inline void start(const sim::Scenario& scenario) {
    scenario.build();
    kbp::reset_library_state();
}

inline void controller_ports(kbdsim::Keyboard& keyboard) {
    start(on_fresh_pc(keyboard, sim::KeyboardPath::controller_ports));
    kbp::set_interface(kbp::kControllerPorts);
}

inline void port_driver(kbdsim::Keyboard& keyboard) {
    start(on_fresh_pc(keyboard, sim::KeyboardPath::port_driver));
    kbp::set_interface(kbp::kPortDriver);
}

inline void class_driver(kbdsim::Keyboard& keyboard) {
    start(on_fresh_pc(keyboard, sim::KeyboardPath::class_driver));
    kbp::set_interface(kbp::kClassDriver);
}

inline void usb(kbdsim::Keyboard& keyboard) {
    start(on_fresh_pc(keyboard, sim::KeyboardPath::usb).usb_report_length(9).kbpusb(kbp_test::linked_kbpusb()));
    kbp::set_interface(kbp::kUsb);
}

// COM1 set to 9600,N,8,1, as a download leaves it after the set-up.
inline void serial(kbdsim::Keyboard& keyboard) {
    start(sim::Scenario(keyboard).on_com_port(1).without_recording());
    kbp::set_com_device_name("COM1");
    kbp::set_port_settings_text("COM1:9600,N,8,1");
    kbp::com_open();
    kbp::com_configure(kbp::serial_state.port_settings);
    kbp::interface_state.use_serial = 1;
}

}  // namespace kbp_bench
