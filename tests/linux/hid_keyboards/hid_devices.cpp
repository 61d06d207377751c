#include "hid_devices.h"

#include <sys/time.h>

#include <cerrno>

namespace kbdsim_hid {

namespace {

constexpr std::uint16_t kMouseVendor = 0x046D;
constexpr std::uint16_t kMouseProduct = 0xC077;
constexpr std::uint16_t kKeyboardProduct = 0x0001;

// A boot keyboard: 8-byte input reports, and the LED output report that
// carries the protocol's bytes. No report identifiers.
constexpr std::uint8_t kKeyboardDescriptor[] = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01,
    0x75, 0x01, 0x95, 0x08, 0x81, 0x02, 0x95, 0x01, 0x75, 0x08, 0x81, 0x01, 0x95, 0x05, 0x75, 0x01,
    0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02, 0x95, 0x01, 0x75, 0x03, 0x91, 0x01, 0x95, 0x06,
    0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00, 0xC0};
// Three buttons and X/Y: input reports only.
constexpr std::uint8_t kMouseDescriptor[] = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29,
    0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05,
    0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95,
    0x02, 0x81, 0x06, 0xC0, 0xC0};

constexpr std::size_t kBootReportBytes = 8;
constexpr std::size_t kBootKeyAt = 2;

// The usage (keyboard page) of the key whose set-1 make code is `code`; 0 for none.
std::uint8_t usage_of(std::uint8_t code) {
    for (const char digit : std::string_view("0123456789ABCDEF")) {
        if (kbdsim::make_code_of(std::uint8_t(digit)) != code) continue;
        if (digit == '0') return 0x27;
        return digit <= '9' ? std::uint8_t(0x1E + digit - '1') : std::uint8_t(0x04 + digit - 'A');
    }
    return 0;
}

input_event event(std::uint16_t type, std::uint16_t code, std::int32_t value) {
    input_event e{};
    gettimeofday(&e.time, nullptr);
    e.type = type;
    e.code = code;
    e.value = value;
    return e;
}

// Each key pressed and let go, as evdev and the boot report show it; set-1
// make codes below 0x80 are the Linux key codes.
void type_keys(kbdsim::Keyboard& keyboard, Written& out) {
    for (; !keyboard.typed.empty(); keyboard.typed.pop_front()) {
        const std::uint8_t code = keyboard.typed.front();
        std::string pressed(kBootReportBytes, '\0');
        pressed[kBootKeyAt] = char(usage_of(code));
        out.input_reports.push_back(pressed);
        out.input_reports.emplace_back(kBootReportBytes, '\0');
        for (const int value : {1, 0}) {
            out.events.push_back(event(EV_KEY, code, value));
            out.events.push_back(event(EV_SYN, SYN_REPORT, 0));
        }
    }
}

}  // namespace

std::vector<HidDevice> make_devices(unsigned keyboards, unsigned mice) {
    std::vector<HidDevice> devices(keyboards + mice);
    for (unsigned i = 0; i < devices.size(); ++i) {
        HidDevice& d = devices[i];
        d.number = i;
        d.kind = i < keyboards ? Kind::keyboard : Kind::mouse;
        d.vendor = d.kind == Kind::keyboard ? KBP_USB_VENDOR_ID : kMouseVendor;
        d.product = d.kind == Kind::keyboard ? kKeyboardProduct : kMouseProduct;
        d.name = d.kind == Kind::keyboard ? "Programmable Keyboard" : "USB Optical Mouse";
        d.keyboard.record_bytes = false;
        d.keyboard.record_frames = false;
    }
    return devices;
}

std::string report_descriptor(Kind kind) {
    const std::span<const std::uint8_t> d = kind == Kind::keyboard ? std::span<const std::uint8_t>(kKeyboardDescriptor)
                                                                   : std::span<const std::uint8_t>(kMouseDescriptor);
    return {d.begin(), d.end()};
}

void load_image(HidDevice& keyboard, std::span<const std::uint8_t> image) {
    auto& memory = keyboard.keyboard.memory;
    for (std::size_t at = KBP_IMAGE_FIRST_ADDRESS; at < image.size() && at < memory.size(); ++at) memory[at] = image[at];
}

Written write_output_report(HidDevice& device, std::span<const std::uint8_t> report) {
    Written out;
    const auto refused = [&out](int error) {
        out.error = error;
        return out;
    };
    // hidraw takes a report identifier and at least one byte.
    if (report.size() < 2) return refused(EINVAL);
    if (device.unplugged) return refused(EIO);
    // No output report to take: the mouse stalls the SET_REPORT hidraw falls back to.
    if (device.kind == Kind::mouse) return refused(EPIPE);
    if (device.unplug_after && device.reports >= *device.unplug_after) {
        device.unplugged = out.unplugged_now = true;
        return refused(EIO);
    }
    ++device.reports;
    // Identifier 0: the report is unnumbered and its data starts after it.
    device.keyboard.receive(report[0] == 0 ? report[1] : report[0]);
    type_keys(device.keyboard, out);
    return out;
}

}  // namespace kbdsim_hid
