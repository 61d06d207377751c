// Thread timers and the message queue: one thread, no window system. A wait
// for a message sleeps in poll() on the input being watched until the next
// timer is due. As on Windows, posted messages come first, then WM_QUIT,
// then the message of a timer that is due; a timer that fell behind yields
// one message, not a backlog.
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <ctime>

#include "platform/linux/message_loop.h"

namespace platform {

namespace linux_backend {

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

void post_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    message_loop().posted.push_back({window, message, wparam, lparam, std::uint32_t(monotonic_ms()), 0, 0});
}

void watch_input(int fd, std::function<void()> readable) {
    stop_watching(fd);
    message_loop().inputs.push_back({fd, std::move(readable)});
}

void stop_watching(int fd) {
    std::erase_if(message_loop().inputs, [fd](const InputSource& s) { return s.fd == fd; });
}

namespace {

// Waits up to `timeout_ms` (-1: for ever) for watched input and takes it.
// False when there was nothing to wait on and nothing could ever arrive.
bool take_input(int timeout_ms) {
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

std::vector<LoopTimer>::iterator next_timer(MessageLoop& loop) {
    return std::min_element(loop.timers.begin(), loop.timers.end(),
                            [](const LoopTimer& a, const LoopTimer& b) { return a.due_ns < b.due_ns; });
}

bool take_posted(MessageLoop& loop, Message& out) {
    if (loop.posted.empty()) return false;
    out = loop.posted.front();
    loop.posted.pop_front();
    return true;
}

bool take_quit(MessageLoop& loop, Message& out) {
    if (!loop.quit) return false;
    out = {nullptr, kWmQuit, static_cast<std::uintptr_t>(*loop.quit), 0, std::uint32_t(monotonic_ms()), 0, 0};
    loop.quit.reset();
    return true;
}

bool take_due_timer(MessageLoop& loop, Message& out) {
    const auto timer = next_timer(loop);
    const std::uint64_t now = monotonic_ns();
    if (timer == loop.timers.end() || timer->due_ns > now) return false;
    timer->due_ns = now + timer->interval_ms * kNsPerMs;
    out = {nullptr, kWmTimer, timer->id, reinterpret_cast<std::intptr_t>(timer->proc), std::uint32_t(now / kNsPerMs), 0, 0};
    return true;
}

bool take_any(MessageLoop& loop, Message& out) {
    return take_posted(loop, out) || take_quit(loop, out) || take_due_timer(loop, out);
}

}  // namespace

}  // namespace linux_backend

using linux_backend::message_loop;
using linux_backend::MessageLoop;

TimerId set_timer(std::uint32_t milliseconds, TimerProc proc) {
    MessageLoop& loop = message_loop();
    const TimerId id = loop.next_id++;
    loop.timers.push_back({id, milliseconds, linux_backend::monotonic_ns() + milliseconds * linux_backend::kNsPerMs, proc});
    return id;
}

bool kill_timer(TimerId timer) {
    return std::erase_if(message_loop().timers, [timer](const linux_backend::LoopTimer& t) { return t.id == timer; }) != 0;
}

int get_message(Message& message) {
    MessageLoop& loop = message_loop();
    for (;;) {
        linux_backend::take_input(0);
        if (linux_backend::take_any(loop, message)) return message.message == kWmQuit ? 0 : 1;
        const auto timer = linux_backend::next_timer(loop);
        int wait = -1;
        if (timer != loop.timers.end()) {
            // The clock moved on since the timer was found not due; rounded
            // up, so poll() never wakes before the deadline.
            const std::uint64_t now = linux_backend::monotonic_ns();
            const std::uint64_t left_ns = timer->due_ns > now ? timer->due_ns - now : 0;
            const std::uint64_t left_ms = (left_ns + linux_backend::kNsPerMs - 1) / linux_backend::kNsPerMs;
            wait = int(std::min<std::uint64_t>(left_ms, 0x7FFFFFFF));
        }
        // No timer and nothing watched: GetMessage would block for ever.
        if (!linux_backend::take_input(wait)) return -1;
    }
}

bool peek_message(Message& message) {
    linux_backend::take_input(0);
    return linux_backend::take_any(message_loop(), message);
}

bool peek_timer_message(Message& message) {
    MessageLoop& loop = message_loop();
    linux_backend::take_input(0);
    // The filter does not hold back a quit message.
    const auto quit = std::find_if(loop.posted.begin(), loop.posted.end(), [](const Message& m) { return m.message == kWmQuit; });
    if (quit != loop.posted.end()) {
        message = *quit;
        loop.posted.erase(quit);
        return true;
    }
    if (linux_backend::take_quit(loop, message)) return true;
    const auto timer = std::find_if(loop.posted.begin(), loop.posted.end(), [](const Message& m) { return m.message == kWmTimer; });
    if (timer != loop.posted.end()) {
        message = *timer;
        loop.posted.erase(timer);
        return true;
    }
    return linux_backend::take_due_timer(loop, message);
}

void post_quit_message(int exit_code) { message_loop().quit = exit_code; }

void translate_message(const Message&) {}

void dispatch_message(const Message& message) {
    MessageLoop& loop = message_loop();
    if (auto window = loop.window_procedures.find(message.window); window != loop.window_procedures.end()) {
        std::function<void(const Message&)>(window->second)(message);
        return;
    }
    if (message.message == kWmTimer && message.lparam != 0)
        reinterpret_cast<TimerProc>(message.lparam)(message.window, message.message, message.wparam, message.time);
}

}  // namespace platform
