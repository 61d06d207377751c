#pragma once
// The thread's message queue on a real clock: Windows' queue, whose waits
// sleep in poll() on the monotonic clock and on the input the thread watches
// besides (a file descriptor with what to do when it can be read), which is
// how the capture library takes keys as they arrive.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/windows_model/thread_queue.h"

namespace platform::linux_backend {

struct InputSource {
    int fd;
    std::function<void()> readable;
};

struct MessageLoop : windows_model::ThreadQueue {
    std::vector<InputSource> inputs;
};
MessageLoop& message_loop();

// The monotonic clock, in nanoseconds and in whole milliseconds.
std::uint64_t monotonic_ns();
std::uint64_t monotonic_ms();
void post_message(void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
void watch_input(int fd, std::function<void()> readable);
void stop_watching(int fd);

}  // namespace platform::linux_backend
