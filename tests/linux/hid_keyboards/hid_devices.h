#pragma once
// The USB devices kbdsim-hid plays: keyboards of the keyboard's vendor, each
// with the keyboard model behind its hidraw node, and mice of another vendor.
// What a keyboard types comes out twice, as on real hardware: as boot
// keyboard input reports on its hidraw node and as key events on its evdev node.
#include <linux/input.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kbdsim/keyboard.h"

namespace kbdsim_hid {

enum class Kind { keyboard, mouse };

struct HidDevice {
    Kind kind = Kind::keyboard;
    unsigned number = 0;  // of its hidraw, event and input nodes, and of its USB port less one
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string name;
    kbdsim::Keyboard keyboard;  // keyboards only
    std::uint64_t reports = 0;  // output reports taken
    std::optional<std::uint64_t> unplug_after;  // pulled out once this many were taken
    bool unplugged = false;
    std::uint64_t grabs = 0;
    std::uint64_t grabbed_by = 0;  // the open event file holding the grab; 0: none
};

// Keyboards first, then mice, numbered from 0.
std::vector<HidDevice> make_devices(unsigned keyboards, unsigned mice);

std::string report_descriptor(Kind kind);

// Image file offset k into memory address k, from the first image address on,
// as a download leaves it.
void load_image(HidDevice& keyboard, std::span<const std::uint8_t> image);

// What one write to the hidraw node did: 0 or the errno it fails with, and
// the input reports and events the keys typed in answer make.
struct Written {
    int error = 0;
    bool unplugged_now = false;
    std::vector<std::string> input_reports;
    std::vector<input_event> events;
};
Written write_output_report(HidDevice& device, std::span<const std::uint8_t> report);

}  // namespace kbdsim_hid
