// kbpusb among any HID devices: snddata_USB writes to the first interface
// whose path opens a device of the keyboard's vendor with room for the data
// byte, one whole report per byte, and fails when there is none. Every
// device-information set, preparsed data and handle it takes is given back.
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "include/kbpusb.h"
#include "kbpusb/usb_device.h"
#include "platform/sim/sim.h"

namespace {

constexpr std::uint16_t kKeyboardVendor = 0x053A;
constexpr char kPathPrefix[] = "\\\\?\\hid#";  // no other device family answers to it

// The device the library must choose, or null.
sim::HidDevice* expected_device() {
    for (sim::HidDevice& d : sim::hid().attached) {
        const std::string opened_by = d.path.substr(0, d.path.find('\0'));
        sim::HidDevice* opened = sim::hid().find_by_path(opened_by.c_str());
        if (opened != nullptr && opened->vendor_id == kKeyboardVendor && opened->output_report_length >= 2)
            return opened;
    }
    return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kbp_fuzz::Input in(data, size);
    sim::reset();
    kbpusb::reset_usb_state();

    const int devices = 1 + in.byte() % 4;
    for (int i = 0; i < devices; ++i) {
        const std::uint8_t kind = in.byte();
        const std::uint16_t vendor = (kind & 1) != 0 ? kKeyboardVendor : in.word();
        const std::uint16_t length = (kind & 2) != 0 ? in.byte() % 8 : in.word();
        sim::HidDevice& d = sim::hid().attach(vendor, length);
        if ((kind & 4) != 0) d.path = kPathPrefix + in.text(in.byte() % 64);
    }
    sim::HidDevice* const keyboard = expected_device();

    const int sends = 1 + in.byte() % 4;
    for (int i = 0; i < sends; ++i) {
        const int value = in.word();
        const unsigned char result = snddata_USB(value);
        kbp_fuzz::require(result == (keyboard != nullptr ? 0 : 1));
        if (keyboard == nullptr) continue;
        kbp_fuzz::require(keyboard->reports.size() == static_cast<std::size_t>(i + 1));
        const std::vector<std::uint8_t>& report = keyboard->reports.back();
        kbp_fuzz::require(report.size() == keyboard->output_report_length);
        kbp_fuzz::require(report[0] == 0 && report[1] == static_cast<std::uint8_t>(value));
    }
    kbp_fuzz::require(Close_USB() == (keyboard != nullptr ? 0 : 1));

    const sim::Hid& hid = sim::hid();
    kbp_fuzz::require(hid.faulty_calls == 0 && hid.sets_made == hid.sets_destroyed);
    kbp_fuzz::require(hid.preparsed_taken == hid.preparsed_freed);
    kbp_fuzz::require(sim::devices().open_count() == 0 && sim::devices().stale_handle_uses == 0);
    return 0;
}
