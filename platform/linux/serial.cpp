// Serial ports on termios: the device control block's line settings become
// the tty's, ReadFile's and WriteFile's time-outs become waits in poll().
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <chrono>
#include <optional>

#include "platform/linux/serial_line.h"
#include "platform/serial.h"
#include "platform/windows_model/com_ports.h"

namespace platform {

namespace linux_backend {

namespace {

struct Speed {
    speed_t code;
    std::uint32_t rate;
};
constexpr Speed kSpeeds[] = {{B110, 110},       {B300, 300},       {B600, 600},       {B1200, 1200},
                             {B2400, 2400},     {B4800, 4800},     {B9600, 9600},     {B19200, 19200},
                             {B38400, 38400},   {B57600, 57600},   {B115200, 115200}, {B230400, 230400},
                             {B460800, 460800}, {B921600, 921600}};

bool speed_of(std::uint32_t rate, speed_t& code) {
    for (const Speed& s : kSpeeds)
        if (s.rate == rate) return code = s.code, true;
    return false;
}

std::uint32_t rate_of(speed_t code) {
    for (const Speed& s : kSpeeds)
        if (s.code == code) return s.rate;
    return 0;
}

bool size_flag(std::uint8_t bits, tcflag_t& flag) {
    switch (bits) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false;
    }
}

// Unix 98 pty slaves (/dev/pts/N) have majors 136..143.
bool is_pty(int fd) {
    struct stat st{};
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

// The pty driver forces 8 data bits and clears PARENB, and glibc's tcsetattr
// then reports EINVAL although it applied everything else. On a pty the
// settings count as made when the rest reads back as asked.
bool applied_on_pty(int fd, const termios& wanted) {
    termios now{};
    if (!is_pty(fd) || tcgetattr(fd, &now) != 0) return false;
    const tcflag_t forced = CSIZE | PARENB;
    return cfgetospeed(&now) == cfgetospeed(&wanted) && cfgetispeed(&now) == cfgetispeed(&wanted) &&
           (now.c_cflag & ~forced) == (wanted.c_cflag & ~forced) && now.c_iflag == wanted.c_iflag;
}

using Clock = std::chrono::steady_clock;

std::optional<Clock::time_point> after(Clock::time_point from, std::optional<std::uint64_t> ms) {
    if (!ms) return std::nullopt;
    return from + std::chrono::milliseconds(*ms);
}

std::optional<Clock::time_point> earlier_of(std::optional<Clock::time_point> a, std::optional<Clock::time_point> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

// Milliseconds left until `deadline`, rounded up; -1 waits for ever.
int left_ms(const std::optional<Clock::time_point>& deadline) {
    if (!deadline) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return left > 0 ? int(std::min<long long>(left, 0x7FFFFFFF)) : 0;
}

enum class LineWait { ready, timed_out, hung_up };

// Whether the line can be used again within `timeout_ms`, or has hung up
// (its device gone, the far end of a pty closed).
LineWait wait_for(int fd, short events, int timeout_ms) {
    if (timeout_ms == 0) return LineWait::timed_out;
    pollfd p{fd, events, 0};
    int n;
    do n = poll(&p, 1, timeout_ms);
    while (n < 0 && errno == EINTR);
    if (n <= 0) return LineWait::timed_out;
    return (p.revents & events) != 0 ? LineWait::ready : LineWait::hung_up;
}

}  // namespace

// One program at a time, as Windows opens a COM port: TIOCEXCL keeps other
// programs out, but not one with root's rights; the lock keeps out every
// open that asks for it, this library's in any process included.
Handle open_serial_line(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return device_failed(errno);
    int error = 0;
    if (!isatty(fd))
        error = ENOTTY;
    else if (flock(fd, LOCK_EX | LOCK_NB) != 0)
        error = errno == EWOULDBLOCK ? EBUSY : errno;
    else if (ioctl(fd, TIOCEXCL) != 0)
        error = errno;
    if (error != 0) {
        ::close(fd);
        return device_failed(error);
    }
    return add_open_device({DeviceKind::serial, fd, {}, {}});
}

namespace {

// After a read or a write that moved nothing, with `failure` its errno (0:
// none): whether to try again, the line being ready before `deadline`.
// False ends the transfer, with `error` set when the line failed.
bool ready_again(int fd, int failure, short events, std::optional<Clock::time_point> deadline, int& error) {
    if (failure != 0 && failure != EAGAIN && failure != EINTR) {
        error = failure;
        return false;
    }
    const LineWait waited = wait_for(fd, events, left_ms(deadline));
    if (waited == LineWait::hung_up) error = EIO;
    return waited == LineWait::ready;
}

bool transfer_ended(std::uint32_t count, int error, std::uint32_t* done) {
    if (error != 0) note_device_error(error);
    if (done != nullptr) *done = count;
    return error == 0;
}

}  // namespace

// As ReadFile on a COM port, within the port's time-outs.
bool read_serial_line(OpenDevice& line, void* data, std::uint32_t size, std::uint32_t* done) {
    const windows_model::ReadWait rules = windows_model::read_wait(line.timeouts, size);
    const auto total = after(Clock::now(), rules.total_ms);
    auto* bytes = static_cast<std::uint8_t*>(data);
    std::uint32_t count = 0;
    std::optional<Clock::time_point> gap_ends;
    int error = 0;
    while (count < size) {
        const ssize_t n = ::read(line.fd, bytes + count, size - count);
        const int failure = n < 0 ? errno : 0;
        if (n > 0) {
            count += std::uint32_t(n);
            if (rules.returns_at_first_byte) break;
            if (rules.interval_ms != 0) gap_ends = after(Clock::now(), rules.interval_ms);
            continue;
        }
        const auto deadline = rules.returns_at_once ? Clock::now() : earlier_of(total, gap_ends);
        if (!ready_again(line.fd, failure, POLLIN, deadline, error)) break;
    }
    return transfer_ended(count, error, done);
}

// As WriteFile on a COM port: a write that times out succeeds with what it moved.
bool write_serial_line(OpenDevice& line, const void* data, std::uint32_t size, std::uint32_t* done) {
    const auto deadline = after(Clock::now(), windows_model::write_total_ms(line.timeouts, size));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::uint32_t count = 0;
    int error = 0;
    while (count < size) {
        const ssize_t n = ::write(line.fd, bytes + count, size - count);
        const int failure = n < 0 ? errno : 0;
        if (n > 0) {
            count += std::uint32_t(n);
            continue;
        }
        if (!ready_again(line.fd, failure, POLLOUT, deadline, error)) break;
    }
    return transfer_ended(count, error, done);
}

}  // namespace linux_backend

using linux_backend::DeviceKind;
using linux_backend::find_open_device;

bool get_comm_state(Handle port, CommState& state) {
    const linux_backend::OpenDevice* line = find_open_device(port, DeviceKind::serial);
    termios t{};
    if (line == nullptr || tcgetattr(line->fd, &t) != 0) return false;
    state = CommState{};
    state.DCBlength = sizeof(CommState);
    state.BaudRate = linux_backend::rate_of(cfgetospeed(&t));
    switch (t.c_cflag & CSIZE) {
    case CS5: state.ByteSize = 5; break;
    case CS6: state.ByteSize = 6; break;
    case CS7: state.ByteSize = 7; break;
    default: state.ByteSize = 8; break;
    }
    // A pty keeps the parity asked for only as INPCK with or without PARODD.
    const bool parity = (t.c_cflag & PARENB) != 0 || (t.c_iflag & INPCK) != 0;
    state.Parity = !parity ? kNoParity : (t.c_cflag & PARODD) ? kOddParity : kEvenParity;
    state.StopBits = (t.c_cflag & CSTOPB) ? 2 : kOneStopBit;
    state.fBinary = 1;
    state.fParity = (t.c_iflag & INPCK) ? 1 : 0;
    state.fOutxCtsFlow = (t.c_cflag & CRTSCTS) ? 1 : 0;
    state.fRtsControl = (t.c_cflag & CRTSCTS) ? 2 : 1;
    state.fDtrControl = 1;
    state.fOutX = (t.c_iflag & IXON) ? 1 : 0;
    state.fInX = (t.c_iflag & IXOFF) ? 1 : 0;
    state.XonChar = char(t.c_cc[VSTART]);
    state.XoffChar = char(t.c_cc[VSTOP]);
    return true;
}

bool set_comm_state(Handle port, const CommState& state) {
    const linux_backend::OpenDevice* line = find_open_device(port, DeviceKind::serial);
    termios t{};
    speed_t speed{};
    tcflag_t size{};
    if (line == nullptr || tcgetattr(line->fd, &t) != 0 || !linux_backend::speed_of(state.BaudRate, speed) ||
        !linux_backend::size_flag(state.ByteSize, size) || state.Parity > kEvenParity || state.StopBits == 1)
        return false;
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS)) | size | CLOCAL | CREAD;
    if (state.Parity != kNoParity) t.c_cflag |= PARENB | (state.Parity == kOddParity ? PARODD : 0);
    if (state.StopBits == 2) t.c_cflag |= CSTOPB;
    if (state.fOutxCtsFlow) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(INPCK | IXON | IXOFF);
    if (state.fParity && state.Parity != kNoParity) t.c_iflag |= INPCK;
    if (state.fOutX) t.c_iflag |= IXON;
    if (state.fInX) t.c_iflag |= IXOFF;
    // Waits are ReadFile's and WriteFile's own, in poll().
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    if (tcsetattr(line->fd, TCSANOW, &t) == 0) return true;
    return errno == EINVAL && linux_backend::applied_on_pty(line->fd, t);
}

// The kernel's tty buffers have a size of their own; the queue sizes asked
// for are room enough for the library's one-byte exchanges.
bool setup_comm(Handle port, std::uint32_t, std::uint32_t) {
    return find_open_device(port, DeviceKind::serial) != nullptr;
}

bool get_comm_timeouts(Handle port, CommTimeouts& timeouts) {
    const linux_backend::OpenDevice* line = find_open_device(port, DeviceKind::serial);
    if (line == nullptr) return false;
    timeouts = line->timeouts;
    return true;
}

bool set_comm_timeouts(Handle port, const CommTimeouts& timeouts) {
    linux_backend::OpenDevice* line = find_open_device(port, DeviceKind::serial);
    if (line == nullptr) return false;
    line->timeouts = timeouts;
    return true;
}

// A line whose device has gone (hung up: EIO) holds nothing to throw away:
// its purge succeeds, and the write that follows reports the loss.
bool purge_comm(Handle port, std::uint32_t flags) {
    const linux_backend::OpenDevice* line = find_open_device(port, DeviceKind::serial);
    if (line == nullptr) return false;
    const auto flush = [line](int queue) { return tcflush(line->fd, queue) == 0 || errno == EIO; };
    bool purged = true;
    if (flags & kPurgeTxClear) purged = flush(TCOFLUSH) && purged;
    if (flags & kPurgeRxClear) purged = flush(TCIFLUSH) && purged;
    return purged;
}

}  // namespace platform
