#include "platform/linux/open_devices.h"

#include <unistd.h>

#include <algorithm>

namespace platform::linux_backend {

OpenDevices& open_devices() {
    static OpenDevices devices;
    return devices;
}

Handle add_open_device(OpenDevice device) {
    open_devices().open.push_back(std::make_unique<OpenDevice>(std::move(device)));
    return open_devices().open.back().get();
}

OpenDevice* find_open_device(Handle handle) {
    for (const auto& device : open_devices().open)
        if (device.get() == handle) return device.get();
    return nullptr;
}

OpenDevice* find_open_device(Handle handle, DeviceKind kind) {
    OpenDevice* device = find_open_device(handle);
    return device != nullptr && device->kind == kind ? device : nullptr;
}

bool close_open_device(Handle handle) {
    auto& open = open_devices().open;
    const auto it = std::find_if(open.begin(), open.end(), [&](const auto& d) { return d.get() == handle; });
    if (it == open.end()) return false;
    const bool closed = ::close((*it)->fd) == 0;
    open.erase(it);
    return closed;
}

void close_every_device() {
    for (const auto& device : open_devices().open) ::close(device->fd);
    open_devices().open.clear();
}

}  // namespace platform::linux_backend
