#pragma once
// The HID device interfaces of the simulated PC, as SetupAPI enumerates them
// and CreateFileA opens them by their device paths.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "kbdsim/keyboard.h"
#include "platform/platform.h"
#include "platform/sim/devices.h"

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

struct Hid {
    // Present devices are enumerated in this order. A deque: devices never move.
    std::deque<HidDevice> attached;

    unsigned sets_made = 0;           // SetupDiGetClassDevsA
    unsigned sets_destroyed = 0;      // SetupDiDestroyDeviceInfoList
    unsigned preparsed_taken = 0;     // HidD_GetPreparsedData
    unsigned preparsed_freed = 0;     // HidD_FreePreparsedData
    unsigned faulty_calls = 0;        // wrong record sizes, unknown sets or handles: a library fault

    // Attaches a device at the end of the enumeration order.
    HidDevice& attach(std::uint16_t vendor_id, std::uint16_t output_report_length,
                      kbdsim::Keyboard* keyboard = nullptr);
    // Every device ever attached and not yet removed.
    HidDevice* find_by_path(const char* path);

    // Open device-information sets: the devices present when each was made.
    std::map<std::uintptr_t, std::vector<HidDevice*>> sets;
    std::uintptr_t next_set = 0x5E70000;
    std::map<std::uintptr_t, HidDevice*> preparsed;
    std::uintptr_t next_preparsed = 0x9A0000;
};

Hid& hid();

}  // namespace sim
