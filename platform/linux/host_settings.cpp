#include "platform/linux/host_settings.h"

#include <csignal>

#include "platform/linux/built_in_libraries.h"
#include "platform/linux/com_port_map.h"
#include "platform/linux/evdev_capture.h"
#include "platform/linux/hid_tables.h"
#include "platform/linux/message_loop.h"
#include "platform/linux/open_devices.h"
#include "platform/windows_model/capture_library.h"

namespace platform::linux_backend {

HostSettings& host_settings() {
    static HostSettings settings;
    return settings;
}

namespace {
volatile std::sig_atomic_t interrupted = 0;
}  // namespace

void interrupt_transfers(bool on) { interrupted = on ? 1 : 0; }

bool transfers_interrupted() { return interrupted != 0; }

void reset_backend() {
    interrupt_transfers(false);
    release_capture_device();
    evdev_capture() = EvdevCapture{};
    windows_model::keystroke_capture() = {};
    close_every_device();
    open_devices() = OpenDevices{};
    hid_tables() = windows_model::HidTables{};
    libraries() = built_in_libraries();
    message_loop() = MessageLoop{};
    com_port_map() = ComPortMap{};
    host_settings() = HostSettings{};
}

}  // namespace platform::linux_backend
