// com_configure on COM1 of the simulated PC with any port text: it ends with
// the port open at a setting the line can take (0), or closed (1..7), and
// what the text names is what the port is set to.
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

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kbp_fuzz::Input in(data, size);
    sim::reset();
    kbp::reset_library_state();

    // The keyboard on the line echoes at one of the searched settings, or never.
    kbdsim::Keyboard keyboard;
    sim::ComPort& port = sim::com_port(1);
    port.keyboard = &keyboard;
    port.echo = sim::EchoPolicy::at_settings;
    const std::uint8_t echo_at = in.byte() % (kbp::kProbeEntries + 1);
    if (echo_at < kbp::kProbeEntries) {
        kbp::LineSettings s;
        kbp::parse_line_settings(kbp::com_probe_table[echo_at], s);
        port.echo_settings.push_back({s.rate, s.parity, s.data_bits});
    }

    const std::string port_text = in.rest();
    const auto text = std::make_unique<char[]>(port_text.size() + 1);
    std::memcpy(text.get(), port_text.c_str(), port_text.size() + 1);
    std::vector<char> status(port_text.size() + 64, '\0');
    kbp::status_state.current_status = status.data();

    kbp::set_com_device_name("COM1");
    kbp_fuzz::require(kbp::com_open() == 0);
    const std::uint8_t result = kbp::com_configure(text.get());

    kbp_fuzz::require(std::memchr(status.data(), '\0', status.size()) != nullptr);
    const bool open = sim::devices().is_open(&port);
    if (result != 0) {
        kbp_fuzz::require(result <= 7 && !open);
        return 0;
    }
    kbp_fuzz::require(open);
    const sim::LineSetting line = port.line();
    kbp_fuzz::require(line.rate >= 300 && line.rate % 300 == 0 && line.parity <= 2);
    kbp_fuzz::require(line.data_bits == 7 || line.data_bits == 8);
    kbp::LineSettings named;
    const std::size_t length = std::strlen(text.get());
    if (length > 5 && text[5] >= '0' && text[5] <= '9' && kbp::parse_line_settings(text.get() + 5, named))
        kbp_fuzz::require(line == sim::LineSetting{named.rate, named.parity, named.data_bits});
    else
        kbp_fuzz::require(!port.echo_settings.empty() && line == port.echo_settings.front());
    return 0;
}
