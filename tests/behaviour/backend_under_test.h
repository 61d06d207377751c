#pragma once
// What the platform behaviour suite needs of the machine beneath a backend,
// beyond the contract itself. Each backend's fixture gives it: the simulated PC
// (sim_backend.cpp), real Linux (linux_backend.cpp) and Windows, under Wine
// (win32_backend.cpp). A service a machine cannot give says why not, and the
// case that needs it is skipped with that reason, never passed.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kbp_behaviour {

// A service's answer: its value, or why this machine cannot give it.
template <typename T>
struct Offer {
    std::optional<T> value;
    std::string lacking;

    static Offer lacks(std::string why) { return {std::nullopt, std::move(why)}; }
};

// Why this machine cannot do what it was asked; none when it did it.
using Lack = std::optional<std::string>;

class BackendUnderTest {
public:
    virtual ~BackendUnderTest() = default;

    // The backend's name, for what the suite prints.
    virtual const char* name() const = 0;
    // A fresh state: nothing queued, nothing left open or armed, and the
    // libraries and devices the cases rely on in place.
    virtual void reset() = 0;
    // Lets `ms` milliseconds pass without touching the message queue.
    virtual void let_time_pass(std::uint32_t ms) = 0;
    // Posts `message` to the calling thread's queue, with no window.
    virtual void post_thread_message(std::uint32_t message) = 0;
    // The number n of a COM port whose "COMn" opens a line nobody answers on.
    virtual Offer<int> quiet_com_port() = 0;
    // How many HID interfaces the enumeration must list.
    virtual Offer<unsigned> hid_interface_count() = 0;
    // Makes the keyboard type `keystrokes` keys for the capture just armed
    // through the loaded KBPFUNC.DLL: their make codes, in order.
    virtual Offer<std::vector<std::uint8_t>> type_keys(int keystrokes) = 0;
    // None when the machine has no COM port above COM9, so that "\\.\COM10"
    // names no device.
    virtual Lack no_com_port_above_nine() = 0;
    // None when a second open of an open COM port is refused, as on Windows.
    virtual Lack refuses_second_com_open() = 0;
    // Pulls the device at the far end of COM `port`'s line.
    virtual Lack pull_com_device(int port) = 0;
};

BackendUnderTest& backend_under_test();

}  // namespace kbp_behaviour
