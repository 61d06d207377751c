#pragma once
// The HID device interfaces of the simulated PC, as SetupAPI enumerates them
// and CreateFileA opens them by their device paths.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "kbdsim/keyboard.h"
#include "platform/platform.h"
#include "platform/sim/devices.h"
#include "platform/windows_model/hid_tables.h"

namespace sim {

class HidDevice : public Device {
public:
    // --- what a test sets
    std::uint16_t vendor_id = 0;
    std::uint16_t product_id = 0;
    std::uint16_t output_report_length = 0;  // report identifier included
    kbdsim::Keyboard* keyboard = nullptr;    // gets byte 1 of every report written; none: reports vanish
    // An unplug in the middle of a transfer: the device is gone from its k-th
    // write on (counted from 1), so that write and every later one fail. 0 never.
    unsigned unplugs_at_write = 0;
    bool record = true;  // keep every report in `reports`

    void plug_back();

    // --- what a test inspects
    std::string path;                                // \\?\hid#... as enumerated
    bool plugged = true;
    unsigned writes = 0;                             // WriteFile calls, refused ones included
    std::vector<std::vector<std::uint8_t>> reports;  // every report written, byte for byte
    std::uint32_t last_access = 0;
    std::uint32_t last_share = 0;

    bool open(std::uint32_t access, std::uint32_t share) override;
    bool write(const void* data, std::uint32_t size, std::uint32_t* done) override;
};

// The SetupAPI and HID class tables are Windows' own; the devices are the PC's.
struct Hid : platform::windows_model::HidTables {
    // Present devices are enumerated in this order. A deque: devices never move.
    std::deque<HidDevice> attached;

    // Attaches a device at the end of the enumeration order.
    HidDevice& attach(std::uint16_t vendor_id, std::uint16_t output_report_length,
                      kbdsim::Keyboard* keyboard = nullptr);
    // Every device ever attached and not yet removed.
    HidDevice* find_by_path(const char* path);
};

Hid& hid();

}  // namespace sim
