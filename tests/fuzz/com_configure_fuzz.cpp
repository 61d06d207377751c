// com_configure on COM1 of the simulated PC with any port text, and any one
// serial call failing once: it ends with the port open at a setting the line
// can take (0), or closed (1..7) unless closing is what failed, never uses a
// handle it no longer holds, and what the text names is what the port is set to.
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_input.h"
#include "kbdsim/keyboard.h"
#include "kbpi32/api/library_state.h"
#include "kbpi32/channel/serial_port.h"
#include "kbpi32/channel/serial_settings.h"
#include "kbpi32/common/status.h"
#include "platform/sim/sim.h"

namespace {

constexpr sim::Call kSerialCalls[] = {
    sim::Call::open_device,       sim::Call::close_handle,      sim::Call::get_comm_state, sim::Call::set_comm_state,
    sim::Call::setup_comm,        sim::Call::get_comm_timeouts, sim::Call::set_comm_timeouts,
    sim::Call::purge_comm,        sim::Call::write_file,        sim::Call::read_file,
};
constexpr std::size_t kCallCount = sizeof kSerialCalls / sizeof kSerialCalls[0];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kbp_fuzz::Input in(data, size);
    sim::reset();
    kbp::reset_library_state();

    // Bytes 0 and 1: which serial call fails, and at which use from the open on (0: none).
    const std::uint8_t fault = in.byte();
    const std::uint8_t fault_at = in.byte();
    const bool faulty = fault != 0 && fault <= kCallCount;
    const bool close_may_fail = faulty && kSerialCalls[fault - 1] == sim::Call::close_handle;

    // The keyboard on the line echoes at one of the searched settings, or never.
    kbdsim::Keyboard keyboard;
    sim::ComPort& port = sim::com_port(1);
    port.keyboard = &keyboard;
    port.echo = sim::EchoPolicy::at_settings;
    const std::uint8_t echo_at = in.byte() % (kbp::kProbeEntries + 1);
    if (echo_at < kbp::kProbeEntries) {
        kbp::LineSettings s;
        kbp::parse_line_settings(kbp::kComProbeTable[echo_at], s);
        port.echo_settings.push_back({s.rate, s.parity, s.data_bits});
    }

    const std::string port_text = in.rest();
    const auto text = std::make_unique<char[]>(port_text.size() + 1);
    std::memcpy(text.get(), port_text.c_str(), port_text.size() + 1);
    std::vector<char> status(port_text.size() + 64, '\0');
    kbp::status_state.current_status = status.data();

    kbp::set_com_device_name("COM1");
    kbp_fuzz::require(kbp::com_open() == 0);
    if (faulty) sim::faults().fail_once(kSerialCalls[fault - 1], fault_at);
    const std::uint8_t result = kbp::com_configure(text.get());

    kbp_fuzz::require(std::memchr(status.data(), '\0', status.size()) != nullptr);
    kbp_fuzz::require(sim::devices().stale_handle_uses == 0);
    const bool open = sim::devices().is_open(&port);
    if (result != 0) {
        kbp_fuzz::require(result <= 7 && (!open || close_may_fail));
        return 0;
    }
    kbp_fuzz::require(open);
    const platform::LineSettings line = port.line();
    kbp_fuzz::require(line.rate >= 300 && line.rate % 300 == 0 && line.parity <= 2);
    kbp_fuzz::require(line.data_bits == 7 || line.data_bits == 8);
    kbp::LineSettings named;
    const std::size_t length = std::strlen(text.get());
    if (length > 5 && text[5] >= '0' && text[5] <= '9' && kbp::parse_line_settings(text.get() + 5, named))
        kbp_fuzz::require(line == platform::LineSettings{named.rate, named.parity, named.data_bits});
    else
        kbp_fuzz::require(!port.echo_settings.empty() && line == port.echo_settings.front());
    return 0;
}
