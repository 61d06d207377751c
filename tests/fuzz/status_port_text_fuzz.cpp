// kbp_download's port text in the status buffer: the library reads the buffer
// no further than its terminator and keeps the settings text and the device
// name inside their room. The same call is made twice, once with zeros and
// once with other bytes after the terminator; any read past it shows as a
// difference. No keyboard: the image file does not exist.
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "include/kbpi32.h"
#include "kbpi32/api/library_state.h"
#include "kbpi32/channel/serial_port.h"
#include "platform/sim/sim.h"

namespace {

// Room for the longest message, which may quote the 23-character settings text.
constexpr std::size_t kMessageRoom = 64;

struct Outcome {
    int result;
    std::string status, settings, device;
    bool operator==(const Outcome&) const = default;
};

Outcome download(const std::string& port_text, bool no_file, char filler) {
    sim::reset();
    kbp::reset_library_state();
    std::vector<char> buffer(port_text.size() + 1 + kMessageRoom, filler);
    std::memcpy(buffer.data(), port_text.data(), port_text.size());
    buffer[port_text.size()] = '\0';
    const int result = kbp_download(no_file ? nullptr : "/nonexistent/kbp-fuzz.kbp", buffer.data(), nullptr);

    const kbp::SerialState& s = kbp::serial_state;
    kbp_fuzz::require(std::memchr(buffer.data(), '\0', buffer.size()) != nullptr);
    kbp_fuzz::require(std::memchr(s.port_settings, '\0', sizeof s.port_settings) != nullptr);
    kbp_fuzz::require(std::memchr(s.device_name, '\0', sizeof s.device_name) != nullptr);
    kbp_fuzz::require(sim::devices().open_count() == 0);
    return {result, buffer.data(), s.port_settings, s.device_name};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kbp_fuzz::Input in(data, size);
    const bool no_file = (in.byte() & 1) != 0;
    std::string port_text = in.rest();
    port_text = port_text.substr(0, port_text.find('\0'));
    kbp_fuzz::require(download(port_text, no_file, '\0') == download(port_text, no_file, '5'));
    return 0;
}
