#include "platform/linux/open_devices.h"

#include <unistd.h>

#include <algorithm>

#include "platform/linux/host_settings.h"

namespace platform::linux_backend {

OpenDevices& open_devices() {
    static OpenDevices devices;
    return devices;
}

int last_device_error() { return open_devices().last_error; }

void note_device_error(int error) { open_devices().last_error = error; }

Handle device_failed(int error) {
    note_device_error(error);
    return invalid_handle();
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

// close(2) gives the descriptor back even when it reports an error, as it
// does for a tty whose device has gone: the handle is closed, as CloseHandle
// of such a device is on Windows.
bool close_open_device(Handle handle) {
    auto& open = open_devices().open;
    const auto it = std::find_if(open.begin(), open.end(), [&](const auto& d) { return d.get() == handle; });
    if (it == open.end()) return false;
    ::close((*it)->fd);
    open.erase(it);
    return true;
}

void close_every_device() {
    for (const auto& device : open_devices().open) ::close(device->fd);
    open_devices().open.clear();
}

}  // namespace platform::linux_backend
