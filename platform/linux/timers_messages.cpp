// Thread timers and the message queue: one thread, no window system. A wait
// for a message sleeps in poll() on the input being watched until the next
// deadline.
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/linux/message_loop.h"
#include "platform/windows_model/backend.h"

namespace platform {

namespace linux_backend {

using windows_model::kNsPerMs;

MessageLoop& message_loop() {
    static MessageLoop loop;
    return loop;
}

std::uint64_t monotonic_ns() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000 * kNsPerMs + std::uint64_t(now.tv_nsec);
}

std::uint64_t monotonic_ms() { return monotonic_ns() / kNsPerMs; }

namespace {

// Waits up to `timeout_ms` (-1: for ever) for watched input and takes it.
// False when there was nothing to wait on and nothing could ever arrive.
bool poll_input(int timeout_ms) {
    MessageLoop& loop = message_loop();
    if (loop.inputs.empty() && timeout_ms < 0) return false;
    std::vector<pollfd> fds;
    for (const InputSource& s : loop.inputs) fds.push_back({s.fd, POLLIN, 0});
    const int n = poll(fds.data(), fds.size(), timeout_ms);
    if (n <= 0) return n == 0 || errno == EINTR;
    for (const pollfd& p : fds) {
        if (p.revents == 0) continue;
        // The handler may stop watching any source, its own included.
        auto source = std::find_if(loop.inputs.begin(), loop.inputs.end(), [&](const InputSource& s) { return s.fd == p.fd; });
        if (source != loop.inputs.end()) std::function<void()>(source->readable)();
    }
    return true;
}

class MonotonicWaits final : public windows_model::ThreadWaits {
public:
    std::uint64_t now_ns() override { return monotonic_ns(); }
    void take_input() override { poll_input(0); }
    // Rounded up, so poll() never wakes before the deadline.
    bool wait(std::optional<std::uint64_t> deadline_ns) override {
        int timeout = -1;
        if (deadline_ns) {
            const std::uint64_t now = monotonic_ns();
            const std::uint64_t left_ns = *deadline_ns > now ? *deadline_ns - now : 0;
            timeout = int(std::min<std::uint64_t>((left_ns + kNsPerMs - 1) / kNsPerMs, 0x7FFFFFFF));
        }
        return poll_input(timeout);
    }
};

MonotonicWaits& waits() {
    static MonotonicWaits w;
    return w;
}

}  // namespace

void post_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    message_loop().post(waits(), window, message, wparam, lparam);
}

void watch_input(int fd, std::function<void()> readable) {
    stop_watching(fd);
    message_loop().inputs.push_back({fd, std::move(readable)});
}

void stop_watching(int fd) {
    std::erase_if(message_loop().inputs, [fd](const InputSource& s) { return s.fd == fd; });
}

}  // namespace linux_backend

namespace windows_model {
ThreadQueue& thread_queue() { return linux_backend::message_loop(); }
ThreadWaits& thread_waits() { return linux_backend::waits(); }
}  // namespace windows_model

using linux_backend::message_loop;

TimerId set_timer(std::uint32_t milliseconds, TimerProc proc) {
    return message_loop().set_timer(linux_backend::waits(), milliseconds, proc);
}

bool kill_timer(TimerId timer) { return message_loop().kill_timer(timer); }

int get_message(Message& message) { return message_loop().get_message(linux_backend::waits(), message); }

bool peek_message(Message& message) { return message_loop().peek_message(linux_backend::waits(), message); }

bool peek_timer_message(Message& message) {
    return message_loop().peek_timer_message(linux_backend::waits(), message);
}

void post_quit_message(int exit_code) { message_loop().post_quit(exit_code); }

void translate_message(const Message&) {}

void dispatch_message(const Message& message) { message_loop().dispatch(message); }

}  // namespace platform
