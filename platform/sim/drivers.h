#pragma once
// The two keyboard drivers of the simulated PC: the keyboard class driver
// "\\.\KEYBOARD" and the keyboard port driver "\\.\KelmKbpDrv". Neither is
// installed on a fresh PC; a test installs one with the keyboard behind it.
#include <cstdint>
#include <deque>
#include <vector>

#include "kbdsim/keyboard.h"
#include "platform/sim/devices.h"

namespace sim {

// One DeviceIoControl call as the driver saw it.
struct ControlCall {
    std::uint32_t code;
    std::vector<std::uint8_t> in;
    std::uint32_t out_size;
    bool operator==(const ControlCall&) const = default;
};

// An open as the driver saw it.
struct DriverOpen {
    std::uint32_t access;
    std::uint32_t share;
    bool operator==(const DriverOpen&) const = default;
};

// The class driver sits between the keyboard and the system. It holds for the
// library, in arrival order, every byte the keyboard answers to a byte sent
// through it. Capture keeps the keyboard's bytes from the system: while
// captured, answers go to the library only, and keystrokes the keyboard sends
// of its own accord are held too; while not captured, the system sees every
// byte (`passed_on`) and keystrokes are not held. Release ends the capture
// and keeps what is held; clear discards what is held.
class ClassDriver : public Device {
public:
    static constexpr std::uint32_t kTranslateOn = 0xB1000;
    static constexpr std::uint32_t kTranslateOff = 0xB2000;
    static constexpr std::uint32_t kCapture = 0xB400C;
    static constexpr std::uint32_t kRelease = 0xB4010;
    static constexpr std::uint32_t kClear = 0xB4014;
    static constexpr std::uint32_t kByteAvailable = 0xB0400;
    static constexpr std::uint32_t kGetByte = 0xB0800;
    static constexpr std::uint32_t kSendByte = 0xB4000;

    void install(kbdsim::Keyboard* keyboard_behind) {
        installed = true;
        keyboard = keyboard_behind;
    }

    // --- what a test sets
    bool installed = false;
    kbdsim::Keyboard* keyboard = nullptr;  // none: sent bytes go nowhere, nothing comes back
    bool record = true;                    // keep every open, call and byte sent
    // Keystrokes the keyboard sends of its own accord just before its answer
    // to the next byte it receives.
    std::deque<std::uint8_t> keystrokes_before_reply;

    // --- what a test inspects
    bool captured = false;
    bool translating = true;
    std::deque<std::uint8_t> held;
    std::vector<std::uint8_t> sent;       // bytes delivered to the keyboard
    std::vector<std::uint8_t> passed_on;  // keyboard bytes the system saw
    std::vector<ControlCall> calls;
    std::vector<DriverOpen> opens;

    std::vector<std::uint32_t> codes() const;
    unsigned count(std::uint32_t code) const;

    bool open(std::uint32_t access, std::uint32_t share) override;
    bool control(std::uint32_t code, const void* in, std::uint32_t in_size, void* out, std::uint32_t out_size,
                 std::uint32_t* returned) override;

private:
    void answer_from_keyboard(std::uint8_t byte);
    void keystroke_from_keyboard(std::uint8_t byte);
    std::uint32_t granted_access_ = 0;
};

// The port driver takes one request per byte and hands the byte to the
// keyboard; what the keyboard answers does not come back through it.
class PortDriver : public Device {
public:
    static constexpr std::uint32_t kSendRequest = 0xB0008;

    void install(kbdsim::Keyboard* keyboard_behind) {
        installed = true;
        keyboard = keyboard_behind;
    }

    // --- what a test sets
    bool installed = false;
    kbdsim::Keyboard* keyboard = nullptr;
    bool record = true;  // keep every open, call and byte sent

    // --- what a test inspects
    std::vector<ControlCall> calls;
    std::vector<DriverOpen> opens;
    std::vector<std::uint8_t> sent;

    bool open(std::uint32_t access, std::uint32_t share) override;
    bool control(std::uint32_t code, const void* in, std::uint32_t in_size, void* out, std::uint32_t out_size,
                 std::uint32_t* returned) override;

private:
    std::uint32_t granted_access_ = 0;
};

struct Drivers {
    ClassDriver class_driver;
    PortDriver port_driver;
};

Drivers& drivers();

// The device family of both drivers, for the handle table.
Device* find_keyboard_driver(const char* name);

}  // namespace sim
