#include "platform/linux/com_port_map.h"

namespace platform::linux_backend {

ComPortMap& com_port_map() {
    static ComPortMap map;
    return map;
}

int map_com_port(const std::string& device) {
    auto& devices = com_port_map().devices;
    for (int n = 1; n <= windows_model::kComPortCount; ++n)
        if (devices[n] == device) return n;
    for (int n = 1; n <= windows_model::kComPortCount; ++n)
        if (devices[n].empty()) return devices[n] = device, n;
    return 0;
}

}  // namespace platform::linux_backend
