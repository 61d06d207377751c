#include "platform/windows_model/com_ports.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace platform::windows_model {

int com_port_number(const char* name) {
    if (name == nullptr) return 0;
    if (std::strncmp(name, "\\\\.\\", 4) == 0) name += 4;
    if (std::strlen(name) != 4) return 0;
    for (int i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
    return name[3] >= '1' && name[3] <= '0' + kComPortCount ? name[3] - '0' : 0;
}

namespace {
std::optional<std::uint64_t> total_of(std::uint32_t multiplier, std::uint32_t constant, std::uint32_t size) {
    const std::uint64_t total = std::uint64_t{multiplier} * size + constant;
    if (total == 0) return std::nullopt;
    return total;
}
}  // namespace

ReadWait read_wait(const CommTimeouts& t, std::uint32_t size) {
    ReadWait wait;
    if (t.ReadIntervalTimeout == kMaxDword) {
        if (t.ReadTotalTimeoutMultiplier == 0 && t.ReadTotalTimeoutConstant == 0) {
            wait.returns_at_once = true;
            return wait;
        }
        if (t.ReadTotalTimeoutMultiplier == kMaxDword && t.ReadTotalTimeoutConstant != 0 &&
            t.ReadTotalTimeoutConstant != kMaxDword) {
            wait.returns_at_first_byte = true;
            wait.total_ms = t.ReadTotalTimeoutConstant;
            return wait;
        }
    } else {
        wait.interval_ms = t.ReadIntervalTimeout;
    }
    wait.total_ms = total_of(t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant, size);
    return wait;
}

std::optional<std::uint64_t> short_read_wait_ms(const ReadWait& wait, std::uint32_t received) {
    if (wait.returns_at_once || (wait.returns_at_first_byte && received > 0)) return 0;
    if (wait.interval_ms != 0 && received > 0)
        return wait.total_ms ? std::min<std::uint64_t>(*wait.total_ms, wait.interval_ms) : wait.interval_ms;
    return wait.total_ms;
}

std::optional<std::uint64_t> write_total_ms(const CommTimeouts& t, std::uint32_t size) {
    return total_of(t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant, size);
}

}  // namespace platform::windows_model
