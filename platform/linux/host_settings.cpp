#include "platform/linux/host_settings.h"

#include "platform/linux/backend_reset.h"
#include "platform/linux/evdev_capture.h"
#include "platform/linux/message_loop.h"
#include "platform/linux/open_devices.h"

namespace platform::linux_backend {

HostSettings& host_settings() {
    static HostSettings settings;
    return settings;
}

int map_com_port(const std::string& device) {
    auto& devices = host_settings().com_devices;
    for (int n = 1; n <= kComPortCount; ++n)
        if (devices[n] == device) return n;
    for (int n = 1; n <= kComPortCount; ++n)
        if (devices[n].empty()) return devices[n] = device, n;
    return 0;
}

void reset_backend() {
    release_capture_device();
    evdev_capture() = EvdevCapture{};
    close_every_device();
    forget_hid_records();
    message_loop() = MessageLoop{};
    host_settings() = HostSettings{};
}

}  // namespace platform::linux_backend
