#include "platform/sim/com_ports.h"

#include "platform/sim/clock.h"

namespace sim {

ComPorts& com_ports() {
    static ComPorts p;
    return p;
}

ComPort& com_port(int number) { return com_ports().ports.at(static_cast<std::size_t>(number - 1)); }

Device* find_com_port(const char* name) {
    const int number = platform::windows_model::com_port_number(name);
    return number != 0 ? &com_port(number) : nullptr;
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
            for (const platform::LineSettings& s : echo_settings) matches = matches || s == line();
            if (!matches) return;
        }
    }
    receive_queue.push_back(reply.byte);
}

bool ComPort::write(const void* data, std::uint32_t size, std::uint32_t* done) {
    if (pulled) return false;
    if (writes_nothing) {
        clock().advance(static_cast<std::uint32_t>(platform::windows_model::write_total_ms(timeouts, size).value_or(0)));
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
    if (pulled) return false;
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
    // Nothing more is on the way: the read waits out its time-out. One that
    // would wait for ever on a real port returns at once here.
    if (n < size) {
        const auto wait = platform::windows_model::short_read_wait_ms(platform::windows_model::read_wait(timeouts, size), n);
        clock().advance(static_cast<std::uint32_t>(wait.value_or(0)));
    }
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
