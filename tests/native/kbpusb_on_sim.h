#pragma once
// "KBPUSB.DLL" on the simulated PC: the real kbpusb, built natively, on the
// simulated HID devices.
#include "include/kbpusb.h"
#include "kbpusb/usb_device.h"
#include "platform/sim/sim.h"

namespace kbp_test {

// Installs kbpusb as a freshly loaded library would start.
inline void install_kbpusb() {
    kbpusb::reset_usb_state();
    sim::libraries().install("KBPUSB.DLL", {{"snddata_USB", reinterpret_cast<void*>(&snddata_USB)},
                                            {"Close_USB", reinterpret_cast<void*>(&Close_USB)}});
}

// A library by that name that lacks a routine.
inline void install_kbpusb_without(const char* routine) {
    install_kbpusb();
    sim::libraries().installed.back().symbols.erase(routine);
}

}  // namespace kbp_test
