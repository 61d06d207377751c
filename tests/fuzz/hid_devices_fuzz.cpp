// kbpusb among any HID devices: snddata_USB writes to the first interface
// whose path opens a device of the keyboard's vendor with room for the data
// byte, one whole report per byte, and fails when there is none. With any one
// system call failing once, it still reports success only for a report
// written. Every device-information set, preparsed data and handle it takes
// is given back.
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

constexpr sim::Call kUsbCalls[] = {
    sim::Call::get_class_devices,      sim::Call::enum_device_interfaces, sim::Call::get_device_interface_detail,
    sim::Call::destroy_device_info_list, sim::Call::open_device,        sim::Call::close_handle,
    sim::Call::hid_get_attributes,     sim::Call::hid_get_preparsed_data, sim::Call::hid_get_caps,
    sim::Call::hid_free_preparsed_data, sim::Call::write_file,
};
constexpr std::size_t kCallCount = sizeof kUsbCalls / sizeof kUsbCalls[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kbp_fuzz::Input in(data, size);
    sim::reset();
    kbpusb::reset_usb_state();

    // Bytes 0 and 1: which call fails, and at which use (0: none).
    const std::uint8_t fault = in.byte();
    const std::uint8_t fault_at = in.byte();
    const bool faulty = fault != 0 && fault <= kCallCount;

    const int devices = 1 + in.byte() % 4;
    for (int i = 0; i < devices; ++i) {
        const std::uint8_t kind = in.byte();
        const std::uint16_t vendor = (kind & 1) != 0 ? kKeyboardVendor : in.word();
        const std::uint16_t length = (kind & 2) != 0 ? in.byte() % 8 : in.word();
        sim::HidDevice& d = sim::hid().attach(vendor, length);
        if ((kind & 4) != 0) d.path = kPathPrefix + in.text(in.byte() % 64);
    }
    sim::HidDevice* const keyboard = expected_device();
    if (faulty) sim::faults().fail_once(kUsbCalls[fault - 1], fault_at);

    const int sends = 1 + in.byte() % 4;
    for (int i = 0; i < sends; ++i) {
        const int value = in.word();
        std::vector<std::size_t> before;
        for (const sim::HidDevice& d : sim::hid().attached) before.push_back(d.reports.size());
        const unsigned char result = snddata_USB(value);
        kbp_fuzz::require(result <= 1);
        if (!faulty) kbp_fuzz::require(result == (keyboard != nullptr ? 0 : 1));
        // Success is one report, whole, to a device of the keyboard's vendor.
        std::size_t written = 0;
        for (std::size_t k = 0; k < before.size(); ++k) {
            const sim::HidDevice& d = sim::hid().attached[k];
            if (d.reports.size() == before[k]) continue;
            written += d.reports.size() - before[k];
            const std::vector<std::uint8_t>& report = d.reports.back();
            kbp_fuzz::require(d.vendor_id == kKeyboardVendor && report.size() == d.output_report_length);
            kbp_fuzz::require(report[0] == 0 && report[1] == static_cast<std::uint8_t>(value));
            if (!faulty) kbp_fuzz::require(&d == keyboard);
        }
        kbp_fuzz::require(written == (result == 0 ? 1u : 0u));
    }
    const auto refused = [&](sim::Call call) { return faulty && kUsbCalls[fault - 1] == call; };
    // A handle whose close was refused stays open without being the library's.
    const bool was_open = sim::devices().open_count() != 0;
    kbp_fuzz::require(Close_USB() == (was_open ? 0 : 1) || refused(sim::Call::close_handle));

    const sim::Hid& hid = sim::hid();
    kbp_fuzz::require(hid.faulty_calls == 0 && sim::devices().stale_handle_uses == 0);
    kbp_fuzz::require(hid.sets_made == hid.sets_destroyed || refused(sim::Call::destroy_device_info_list));
    kbp_fuzz::require(hid.preparsed_taken == hid.preparsed_freed || refused(sim::Call::hid_free_preparsed_data));
    kbp_fuzz::require(sim::devices().open_count() == 0 || refused(sim::Call::close_handle));
    return 0;
}
