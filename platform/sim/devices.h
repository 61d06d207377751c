#pragma once
// Devices of the simulated PC that CreateFileA can open: the keyboard drivers,
// the COM ports and the HID interfaces. Each family owns its device objects;
// the handle table only refers to them while they are open.
#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace sim {

class Device {
public:
    virtual ~Device() = default;

    // Called at CreateFileA; false refuses the open.
    virtual bool open(std::uint32_t /*access*/, std::uint32_t /*share*/) { return true; }
    // Called at CloseHandle; false makes the close fail (the handle stays valid).
    virtual bool close() { return true; }

    virtual bool control(std::uint32_t /*code*/, const void* /*in*/, std::uint32_t /*in_size*/,
                         void* /*out*/, std::uint32_t /*out_size*/, std::uint32_t* /*returned*/) {
        return false;
    }
    virtual bool write(const void* /*data*/, std::uint32_t /*size*/, std::uint32_t* /*done*/) {
        return false;
    }
    virtual bool read(void* /*data*/, std::uint32_t /*size*/, std::uint32_t* /*done*/) { return false; }

    // Serial ports only.
    virtual bool get_comm_state(platform::CommState& /*state*/) { return false; }
    virtual bool set_comm_state(const platform::CommState& /*state*/) { return false; }
    virtual bool setup_comm(std::uint32_t /*in_queue*/, std::uint32_t /*out_queue*/) { return false; }
    virtual bool get_comm_timeouts(platform::CommTimeouts& /*timeouts*/) { return false; }
    virtual bool set_comm_timeouts(const platform::CommTimeouts& /*timeouts*/) { return false; }
    virtual bool purge_comm(std::uint32_t /*flags*/) { return false; }
};

// A device family answers whether it has a device by this name.
using DeviceFinder = Device* (*)(const char* name);

// The handle table.
struct Devices {
    unsigned opens = 0;
    unsigned failed_opens = 0;
    unsigned closes = 0;
    unsigned stale_handle_uses = 0;  // calls on a handle that is not open: a library fault

    platform::Handle open(const char* name, std::uint32_t access, std::uint32_t share);
    bool close(platform::Handle handle);
    Device* lookup(platform::Handle handle);  // null (and counted) when not open
    unsigned open_count() const;
    std::vector<platform::Handle> open_handles() const;
    bool is_open(const Device* device) const;
};

Devices& devices();

// Adds a family whose devices open_device can find; families are asked in the
// order they were added. The simulated PC adds its own at reset.
void add_device_family(DeviceFinder finder);

}  // namespace sim
