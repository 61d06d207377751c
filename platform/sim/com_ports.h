#pragma once
// COM1..COM9 of the simulated PC, each with an optional keyboard on the
// line. Reads wait out the port's read time-out on the virtual clock when
// nothing has come back.
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "kbdsim/keyboard.h"
#include "platform/line_settings.h"
#include "platform/sim/devices.h"
#include "platform/windows_model/com_ports.h"

namespace sim {

enum class EchoPolicy {
    always,       // the keyboard echoes the echo command whatever the line settings
    never,
    at_settings,  // only while the port is set to one of `echo_settings`
};

class ComPort : public Device {
public:
    ComPort();

    // --- what a test sets
    kbdsim::Keyboard* keyboard = nullptr;  // none: nothing ever answers
    EchoPolicy echo = EchoPolicy::always;
    std::vector<platform::LineSettings> echo_settings;
    // Written bytes wait in the driver (as in a USB-serial adapter) until the
    // next read; a transmit purge throws them away.
    bool holds_writes = false;
    bool writes_nothing = false;  // WriteFile succeeds but moves no byte (write time-out)
    bool record = true;           // keep what is applied and written
    // The adapter is pulled: reads and writes fail, and closing the port
    // still succeeds, as closing a handle whose device has gone does.
    bool pulled = false;

    // --- what a test inspects
    platform::CommState state{};        // as the driver reports it now
    platform::CommTimeouts timeouts{};  // as the driver holds them now
    std::vector<platform::CommState> states_applied;
    std::vector<platform::CommTimeouts> timeouts_applied;
    std::vector<std::uint32_t> purges;        // the flags of every PurgeComm, in order
    std::vector<std::uint8_t> written;        // every byte WriteFile took
    std::deque<std::uint8_t> transmit_queue;  // written, not yet on the line (holds_writes)
    std::deque<std::uint8_t> receive_queue;   // come back, not yet read
    std::uint32_t in_queue = 0, out_queue = 0;
    std::uint64_t bytes_dropped = 0;           // thrown away by transmit purges

    platform::LineSettings line() const { return {state.BaudRate, state.Parity, state.ByteSize}; }

    bool open(std::uint32_t access, std::uint32_t share) override;
    bool close() override;
    bool write(const void* data, std::uint32_t size, std::uint32_t* done) override;
    bool read(void* data, std::uint32_t size, std::uint32_t* done) override;
    bool get_comm_state(platform::CommState& out) override;
    bool set_comm_state(const platform::CommState& in) override;
    bool setup_comm(std::uint32_t in_size, std::uint32_t out_size) override;
    bool get_comm_timeouts(platform::CommTimeouts& out) override;
    bool set_comm_timeouts(const platform::CommTimeouts& in) override;
    bool purge_comm(std::uint32_t flags) override;

private:
    void put_on_line(std::uint8_t byte);
    bool open_ = false;
};

struct ComPorts {
    std::array<ComPort, platform::windows_model::kComPortCount> ports;
};
ComPorts& com_ports();

// COM1..COM9.
ComPort& com_port(int number);

// The device family: every name Windows opens a COM port by.
Device* find_com_port(const char* name);

}  // namespace sim
