#include "platform/sim/devices.h"

#include <map>
#include <vector>

#include "platform/sim/com_ports.h"
#include "platform/sim/drivers.h"
#include "platform/sim/sim_internal.h"

namespace sim {

namespace {

struct OpenDevice {
    Device* device;
};

std::vector<DeviceFinder>& families() {
    static std::vector<DeviceFinder> f;
    return f;
}

std::map<std::uintptr_t, OpenDevice>& table() {
    static std::map<std::uintptr_t, OpenDevice> t;
    return t;
}

std::uintptr_t& next_handle() {
    static std::uintptr_t h = 0x100;
    return h;
}

}  // namespace

Devices& devices() {
    static Devices d;
    return d;
}

void add_device_family(DeviceFinder finder) { families().push_back(finder); }

void reset_devices() {
    devices() = Devices{};
    table().clear();
    next_handle() = 0x100;
}

void reset_device_families() {
    families().clear();
    // The families of the simulated PC are added here as they are built.
    add_device_family(find_keyboard_driver);
    add_device_family(find_hid_device);
    add_device_family(find_com_port);
}

platform::Handle Devices::open(const char* name, std::uint32_t access, std::uint32_t share) {
    if (name != nullptr) {
        for (DeviceFinder find : families()) {
            Device* device = find(name);
            if (device == nullptr) continue;
            if (!device->open(access, share)) break;
            ++opens;
            const std::uintptr_t h = next_handle();
            next_handle() += 4;
            table()[h] = {device};
            return reinterpret_cast<platform::Handle>(h);
        }
    }
    ++failed_opens;
    return platform::invalid_handle();
}

Device* Devices::lookup(platform::Handle handle) {
    auto it = table().find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table().end()) {
        ++stale_handle_uses;
        return nullptr;
    }
    return it->second.device;
}

bool Devices::close(platform::Handle handle) {
    auto it = table().find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == table().end()) {
        ++stale_handle_uses;
        return false;
    }
    if (!it->second.device->close()) return false;
    table().erase(it);
    ++closes;
    return true;
}

std::vector<platform::Handle> Devices::open_handles() const {
    std::vector<platform::Handle> handles;
    for (const auto& [h, open] : table()) handles.push_back(reinterpret_cast<platform::Handle>(h));
    return handles;
}

unsigned Devices::open_count() const { return static_cast<unsigned>(table().size()); }

bool Devices::is_open(const Device* device) const {
    for (const auto& [h, open] : table())
        if (open.device == device) return true;
    return false;
}

}  // namespace sim
