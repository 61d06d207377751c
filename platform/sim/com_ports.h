#pragma once
// COM1..COM9 of the simulated PC ("COMn" or "\\.\COMn"), each with an
// optional keyboard on the line. Reads wait out the port's read time-out on
// the virtual clock when nothing has come back.
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "kbdsim/keyboard.h"
#include "platform/sim/devices.h"

namespace sim {

// The platform calls a test can make fail on a port.
enum class ComCall {
    open,
    get_state,
    set_state,
    setup,
    get_timeouts,
    set_timeouts,
    purge_tx,
    purge_rx,
    write,
    read,
    close,
    count_
};

// The line settings the keyboard's echo depends on.
struct LineSetting {
    std::uint32_t rate;
    std::uint8_t parity;  // as in the DCB: 0 none, 1 odd, 2 even
    std::uint8_t data_bits;
    bool operator==(const LineSetting&) const = default;
};

enum class EchoPolicy {
    always,       // the keyboard echoes 0xEE whatever the line settings
    never,
    at_settings,  // only while the port is set to one of `echo_settings`
};

class ComPort : public Device {
public:
    ComPort();

    // --- what a test sets
    kbdsim::Keyboard* keyboard = nullptr;  // none: nothing ever answers
    EchoPolicy echo = EchoPolicy::always;
    std::vector<LineSetting> echo_settings;
    // Written bytes wait in the driver (as in a USB-serial adapter) until the
    // next read; a transmit purge throws them away.
    bool holds_writes = false;
    bool writes_nothing = false;  // WriteFile succeeds but moves no byte (write time-out)
    bool record = true;           // keep what is applied and written
    // Makes every call of this kind fail once `after` more of them have succeeded.
    void fail(ComCall call, unsigned after = 0) { fail_at_[index(call)] = calls[index(call)] + after; }
    void heal(ComCall call) { fail_at_[index(call)] = kNever; }

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
    std::array<unsigned, static_cast<std::size_t>(ComCall::count_)> calls{};

    unsigned calls_of(ComCall call) const { return calls[index(call)]; }
    LineSetting line() const { return {state.BaudRate, state.Parity, state.ByteSize}; }

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
    static constexpr unsigned kNever = ~0u;
    static std::size_t index(ComCall c) { return static_cast<std::size_t>(c); }
    bool call(ComCall c);  // counts the call; false when the test made it fail
    void put_on_line(std::uint8_t byte);
    std::array<unsigned, static_cast<std::size_t>(ComCall::count_)> fail_at_;
    bool open_ = false;
};

struct ComPorts {
    std::array<ComPort, 9> ports;
};
ComPorts& com_ports();

// COM1..COM9.
ComPort& com_port(int number);

// The device family: "COMn" and "\\.\COMn", n = 1..9, in either case.
Device* find_com_port(const char* name);

}  // namespace sim
