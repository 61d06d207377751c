#pragma once
// The devices the backend has open, behind the handles the core holds: a
// serial line or a hidraw node, each one file descriptor; and why the last
// device operation failed.
#include <memory>
#include <string>
#include <vector>

#include "platform/devices_files.h"
#include "platform/serial.h"

namespace platform::linux_backend {

enum class DeviceKind { serial, hidraw };

struct OpenDevice {
    DeviceKind kind;
    int fd;
    std::string sysfs_device;  // hidraw: its /sys/class/hidraw/hidrawN/device
    CommTimeouts timeouts{};   // serial: what ReadFile and WriteFile wait
};

struct OpenDevices {
    std::vector<std::unique_ptr<OpenDevice>> open;
    int last_error = 0;  // errno of the last device operation that failed
};
OpenDevices& open_devices();

Handle add_open_device(OpenDevice device);
// Null when `handle` is not one the backend handed out (or was closed).
OpenDevice* find_open_device(Handle handle);
OpenDevice* find_open_device(Handle handle, DeviceKind kind);
// Closes the descriptor; false when the handle is unknown.
bool close_open_device(Handle handle);
void close_every_device();

// Keeps `error` as the reason of the last failed operation.
void note_device_error(int error);
// The same, for an open that ends with it: what a failed open returns.
Handle device_failed(int error);

}  // namespace platform::linux_backend
