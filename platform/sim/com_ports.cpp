#include "platform/sim/com_ports.h"

#include <cctype>
#include <cstring>

#include "platform/sim/clock.h"

namespace sim {

namespace {
constexpr std::uint32_t kNoWait = 0xFFFFFFFFu;  // MAXDWORD as ReadIntervalTimeout
}

ComPorts& com_ports() {
    static ComPorts p;
    return p;
}

ComPort& com_port(int number) { return com_ports().ports.at(static_cast<std::size_t>(number - 1)); }

Device* find_com_port(const char* name) {
    if (std::strncmp(name, "\\\\.\\", 4) == 0) name += 4;
    if (std::strlen(name) != 4) return nullptr;
    if (std::toupper(static_cast<unsigned char>(name[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(name[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(name[2])) != 'M' || name[3] < '1' || name[3] > '9')
        return nullptr;
    return &com_port(name[3] - '0');
}

// A port as a driver leaves it after boot: 1200 baud, two stop bits, hardware
// and XON/XOFF flow control, DTR and RTS on.
ComPort::ComPort() {
    state.DCBlength = sizeof(platform::CommState);
    state.BaudRate = 1200;
    state.fBinary = 1;
    state.fOutxCtsFlow = 1;
    state.fDtrControl = 1;
    state.fTXContinueOnXoff = 1;
    state.fOutX = 1;
    state.fInX = 1;
    state.fRtsControl = 1;
    state.XonLim = 2048;
    state.XoffLim = 512;
    state.ByteSize = 8;
    state.StopBits = 2;
    state.XonChar = 0x11;
    state.XoffChar = 0x13;
    state.EofChar = 0x1A;
    timeouts = {50, 10, 1000, 10, 1000};
}

bool ComPort::open(std::uint32_t, std::uint32_t) {
    // A COM port opens only once at a time, as on Windows.
    if (open_) return false;
    open_ = true;
    return true;
}

bool ComPort::close() {
    open_ = false;
    transmit_queue.clear();
    receive_queue.clear();
    return true;
}

void ComPort::put_on_line(std::uint8_t byte) {
    if (keyboard == nullptr) return;
    const kbdsim::Reply reply = keyboard->receive(byte);
    if (!reply.present) return;
    if (byte == kbdsim::kEcho && reply.byte == kbdsim::kEcho) {
        if (echo == EchoPolicy::never) return;
        if (echo == EchoPolicy::at_settings) {
            bool matches = false;
            for (const LineSetting& s : echo_settings) matches = matches || s == line();
            if (!matches) return;
        }
    }
    receive_queue.push_back(reply.byte);
}

bool ComPort::write(const void* data, std::uint32_t size, std::uint32_t* done) {
    if (writes_nothing) {
        clock().advance(timeouts.WriteTotalTimeoutConstant + timeouts.WriteTotalTimeoutMultiplier * size);
        return true;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::uint32_t i = 0; i < size; ++i) {
        if (record) written.push_back(bytes[i]);
        if (holds_writes)
            transmit_queue.push_back(bytes[i]);
        else
            put_on_line(bytes[i]);
    }
    if (done != nullptr) *done = size;
    return true;
}

bool ComPort::read(void* data, std::uint32_t size, std::uint32_t* done) {
    while (!transmit_queue.empty()) {
        put_on_line(transmit_queue.front());
        transmit_queue.pop_front();
    }
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::uint32_t n = 0;
    for (; n < size && !receive_queue.empty(); ++n) {
        bytes[n] = receive_queue.front();
        receive_queue.pop_front();
    }
    if (n < size && !(timeouts.ReadIntervalTimeout == kNoWait && timeouts.ReadTotalTimeoutConstant == 0 &&
                      timeouts.ReadTotalTimeoutMultiplier == 0))
        clock().advance(timeouts.ReadTotalTimeoutConstant + timeouts.ReadTotalTimeoutMultiplier * size);
    if (done != nullptr) *done = n;
    return true;
}

bool ComPort::get_comm_state(platform::CommState& out) {
    out = state;
    return true;
}

bool ComPort::set_comm_state(const platform::CommState& in) {
    if (record) states_applied.push_back(in);
    state = in;
    return true;
}

bool ComPort::setup_comm(std::uint32_t in_size, std::uint32_t out_size) {
    in_queue = in_size;
    out_queue = out_size;
    return true;
}

bool ComPort::get_comm_timeouts(platform::CommTimeouts& out) {
    out = timeouts;
    return true;
}

bool ComPort::set_comm_timeouts(const platform::CommTimeouts& in) {
    if (record) timeouts_applied.push_back(in);
    timeouts = in;
    return true;
}

bool ComPort::purge_comm(std::uint32_t flags) {
    const bool tx = flags & platform::kPurgeTxClear;
    const bool rx = flags & platform::kPurgeRxClear;
    if (record) purges.push_back(flags);
    if (tx) {
        bytes_dropped += transmit_queue.size();
        transmit_queue.clear();
    }
    if (rx) receive_queue.clear();
    return true;
}

}  // namespace sim
