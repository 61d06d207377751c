#pragma once
// The thread's message queue on a real clock: timers with deadlines on the
// monotonic clock, posted messages, PostQuitMessage's flag, and the input
// the thread waits on besides (a file descriptor with what to do when it can
// be read), which is how the capture library takes keys as they arrive.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/timers_messages.h"

namespace platform::linux_backend {

struct LoopTimer {
    TimerId id;
    std::uint32_t interval_ms;
    std::uint64_t due_ns;  // on the monotonic clock, so no timer fires early
    TimerProc proc;
};

struct InputSource {
    int fd;
    std::function<void()> readable;
};

struct MessageLoop {
    std::vector<LoopTimer> timers;
    std::deque<Message> posted;
    std::optional<int> quit;  // WM_QUIT pending, with its exit code
    std::vector<InputSource> inputs;
    std::map<void*, std::function<void(const Message&)>> window_procedures;
    TimerId next_id = 1;
};
MessageLoop& message_loop();

inline constexpr std::uint64_t kNsPerMs = 1000000;
// The monotonic clock, in nanoseconds and in whole milliseconds.
std::uint64_t monotonic_ns();
std::uint64_t monotonic_ms();
void post_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
void watch_input(int fd, std::function<void()> readable);
void stop_watching(int fd);

}  // namespace platform::linux_backend
