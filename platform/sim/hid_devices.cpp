#include "platform/sim/hid_devices.h"

#include <cstdio>

#include "platform/sim/sim_internal.h"

namespace sim {

void HidDevice::plug_back() {
    plugged = true;
    unplugs_at_write = 0;
}

bool HidDevice::open(std::uint32_t access, std::uint32_t share) {
    if (!plugged) return false;
    last_access = access;
    last_share = share;
    return true;
}

bool HidDevice::write(const void* data, std::uint32_t size, std::uint32_t* done) {
    ++writes;
    if (unplugs_at_write != 0 && writes >= unplugs_at_write) plugged = false;
    if (!plugged) return false;
    // The HID class takes exactly one whole output report per write.
    if (data == nullptr || size == 0 || size != output_report_length) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (record) reports.emplace_back(bytes, bytes + size);
    if (keyboard != nullptr && size >= 2) keyboard->receive(bytes[1]);
    if (done != nullptr) *done = size;
    return true;
}

HidDevice& Hid::attach(std::uint16_t vendor, std::uint16_t report_length, kbdsim::Keyboard* keyboard) {
    HidDevice& d = attached.emplace_back();
    d.vendor_id = vendor;
    d.product_id = static_cast<std::uint16_t>(attached.size());
    d.output_report_length = report_length;
    d.keyboard = keyboard;
    char path[128];
    std::snprintf(path, sizeof path, "\\\\?\\hid#vid_%04x&pid_%04x#7&%u&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  vendor, d.product_id, static_cast<unsigned>(attached.size()));
    d.path = path;
    return d;
}

HidDevice* Hid::find_by_path(const char* path) {
    for (HidDevice& d : attached)
        if (d.path == path) return &d;
    return nullptr;
}

Device* find_hid_device(const char* name) { return hid().find_by_path(name); }

}  // namespace sim
