#include "platform/sim/drivers.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "include/kbp_protocol.h"

namespace sim {

namespace {

bool same_name(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b)
        if (std::toupper(static_cast<unsigned char>(*a)) != std::toupper(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

// The I/O manager refuses a control code whose required access the handle lacks.
constexpr std::uint32_t kFileReadAccess = 1;
constexpr std::uint32_t kFileWriteAccess = 2;

bool access_allows(std::uint32_t code, std::uint32_t granted) {
    const std::uint32_t required = (code >> 14) & 3;
    if ((required & kFileReadAccess) && !(granted & platform::kGenericRead)) return false;
    if ((required & kFileWriteAccess) && !(granted & platform::kGenericWrite)) return false;
    return true;
}

// Neither driver shares its device: a second open while one is held fails.
bool exclusive_open(const Device* device, bool record, std::vector<DriverOpen>& opens, std::uint32_t access,
                    std::uint32_t share) {
    if (devices().is_open(device)) return false;
    if (record) opens.push_back({access, share});
    return true;
}

void record_call(bool record, std::vector<ControlCall>& calls, std::uint32_t code, const void* in,
                 std::uint32_t in_size, std::uint32_t out_size) {
    if (!record) return;
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    calls.push_back({code,
                     bytes != nullptr ? std::vector<std::uint8_t>(bytes, bytes + in_size) : std::vector<std::uint8_t>{},
                     out_size});
}

}  // namespace

Drivers& drivers() {
    static Drivers d;
    return d;
}

Device* find_keyboard_driver(const char* name) {
    Drivers& d = drivers();
    if (same_name(name, "\\\\.\\KEYBOARD")) return d.class_driver.installed ? &d.class_driver : nullptr;
    if (same_name(name, "\\\\.\\KelmKbpDrv")) return d.port_driver.installed ? &d.port_driver : nullptr;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Class driver

std::vector<std::uint32_t> ClassDriver::codes() const {
    std::vector<std::uint32_t> c;
    for (const ControlCall& call : calls) c.push_back(call.code);
    return c;
}

unsigned ClassDriver::count(std::uint32_t code) const {
    return static_cast<unsigned>(
        std::count_if(calls.begin(), calls.end(), [&](const ControlCall& call) { return call.code == code; }));
}

bool ClassDriver::open(std::uint32_t access, std::uint32_t share) {
    granted_access_ = access;
    return exclusive_open(this, record, opens, access, share);
}

void ClassDriver::answer_from_keyboard(std::uint8_t byte) {
    held.push_back(byte);
    if (!captured) passed_on.push_back(byte);
}

void ClassDriver::keystroke_from_keyboard(std::uint8_t byte) {
    if (captured)
        held.push_back(byte);
    else
        passed_on.push_back(byte);
}

bool ClassDriver::control(std::uint32_t code, const void* in, std::uint32_t in_size, void* out,
                          std::uint32_t out_size, std::uint32_t* returned) {
    record_call(record, calls, code, in, in_size, out_size);
    if (returned != nullptr) *returned = 0;
    if (!access_allows(code, granted_access_)) return false;
    auto* out_bytes = static_cast<std::uint8_t*>(out);

    switch (code) {
    case kTranslateOn: translating = true; return true;
    case kTranslateOff: translating = false; return true;
    case kCapture: captured = true; return true;
    case kRelease: captured = false; return true;
    case kClear: held.clear(); return true;
    case kByteAvailable: {
        if (out_bytes == nullptr || out_size < 4) return false;
        const auto waiting = static_cast<std::uint32_t>(held.size());
        std::memcpy(out_bytes, &waiting, 4);
        if (returned != nullptr) *returned = 4;
        return true;
    }
    case kGetByte:
        // Nothing held: the call fails and writes nothing.
        if (out_bytes == nullptr || out_size < 1 || held.empty()) return false;
        out_bytes[0] = held.front();
        held.pop_front();
        if (returned != nullptr) *returned = 1;
        return true;
    case kSendByte: {
        if (in == nullptr || in_size < 1) return false;
        const std::uint8_t byte = static_cast<const std::uint8_t*>(in)[0];
        if (record) sent.push_back(byte);
        if (keyboard == nullptr) return true;
        const kbdsim::Reply reply = keyboard->receive(byte);
        while (!keystrokes_before_reply.empty()) {
            keystroke_from_keyboard(keystrokes_before_reply.front());
            keystrokes_before_reply.pop_front();
        }
        if (reply.present) answer_from_keyboard(reply.byte);
        return true;
    }
    default: return false;
    }
}

// ---------------------------------------------------------------------------
// Port driver

bool PortDriver::open(std::uint32_t access, std::uint32_t share) {
    granted_access_ = access;
    return exclusive_open(this, record, opens, access, share);
}

bool PortDriver::control(std::uint32_t code, const void* in, std::uint32_t in_size, void* /*out*/,
                         std::uint32_t out_size, std::uint32_t* returned) {
    record_call(record, calls, code, in, in_size, out_size);
    if (returned != nullptr) *returned = 0;
    if (code != kSendRequest || !access_allows(code, granted_access_)) return false;
    // The request is two little-endian 16-bit words: the driver's request
    // marker, then the byte.
    const auto* request = static_cast<const std::uint8_t*>(in);
    if (request == nullptr || in_size != 4 || (request[0] | request[1] << 8) != KBP_PORT_DRIVER_REQUEST_MARKER ||
        request[3] != 0)
        return false;
    if (record) sent.push_back(request[2]);
    if (keyboard != nullptr) keyboard->receive(request[2]);
    return true;
}

}  // namespace sim
