#pragma once
// "KBPUSB.DLL" on the simulated PC: the real kbpusb, built natively, on the
// simulated HID devices.
#include "include/kbpusb.h"
#include "kbpusb/usb_device.h"
#include "platform/sim/scenario.h"
#include "platform/sim/sim.h"

namespace kbp_test {

// kbpusb as this program links it, started as a freshly loaded library would start.
inline sim::KbpusbRoutines linked_kbpusb() { return {&snddata_USB, &Close_USB, &kbpusb::reset_usb_state}; }

inline void install_kbpusb() { sim::install_kbpusb(linked_kbpusb()); }

// A library by that name that lacks a routine.
inline void install_kbpusb_without(const char* routine) {
    install_kbpusb();
    sim::libraries().installed.back().symbols.erase(routine);
}

}  // namespace kbp_test
