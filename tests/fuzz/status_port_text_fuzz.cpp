// kbp_download's port text in the status buffer: the library reads the buffer
// no further than its terminator and the settings text it keeps no further
// than the new text, and keeps both that text and the device name inside
// their room. The same call is made twice, each after an earlier download
// left another settings text, and with other bytes after the terminator;
// any read past a terminator shows as a difference. No keyboard: the image
// file does not exist. kbp_read_port_text reads the same text no further than
// its terminator, and names the rate the port was set up with.
#include <cstdlib>
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

constexpr char kNoImage[] = "/nonexistent/kbp-fuzz.kbp";

struct Outcome {
    int result;
    std::string status, device;
    std::vector<platform::LineSettings> lines;
    bool operator==(const Outcome&) const = default;
};

Outcome download(const std::string& port_text, bool no_file, const char* earlier_text, char filler) {
    sim::reset();
    kbp::reset_library_state();
    char earlier[32];
    std::strcpy(earlier, earlier_text);
    kbp_download(kNoImage, earlier, nullptr);
    sim::reset();

    std::vector<char> buffer(port_text.size() + 1 + kMessageRoom, filler);
    std::memcpy(buffer.data(), port_text.data(), port_text.size());
    buffer[port_text.size()] = '\0';
    const int result = kbp_download(no_file ? nullptr : kNoImage, buffer.data(), nullptr);

    const kbp::SerialState& s = kbp::serial_state;
    kbp_fuzz::require(std::memchr(buffer.data(), '\0', buffer.size()) != nullptr);
    kbp_fuzz::require(std::memchr(s.port_settings, '\0', sizeof s.port_settings) != nullptr);
    kbp_fuzz::require(std::memchr(s.device_name, '\0', sizeof s.device_name) != nullptr);
    kbp_fuzz::require(sim::devices().open_count() == 0);
    kbp_last_transfer last;
    kbp_get_last_transfer(&last);
    kbp_port_text read;
    kbp_read_port_text(std::string(port_text).c_str(), &read);
    const auto terminated = [](const auto& text) { return std::memchr(text, '\0', sizeof text) != nullptr; };
    kbp_fuzz::require(terminated(read.port) && terminated(read.settings) && terminated(read.reason) &&
                      terminated(read.hint) && terminated(read.instead));
    if (last.line_settings[0] != '\0')
        kbp_fuzz::require(read.line_rate == std::strtoul(last.line_settings, nullptr, 10));
    std::vector<platform::LineSettings> lines;
    for (const sim::ComPort& port : sim::com_ports().ports) lines.push_back(port.line());
    return {result, buffer.data(), s.device_name, lines};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kbp_fuzz::Input in(data, size);
    const bool no_file = (in.byte() & 1) != 0;
    std::string port_text = in.rest();
    port_text = port_text.substr(0, port_text.find('\0'));
    kbp_fuzz::require(download(port_text, no_file, "COM9:9600,N,8,1,0000000", '\0') ==
                      download(port_text, no_file, "COM9:4800,E,7,2,5555555", '5'));
    return 0;
}
