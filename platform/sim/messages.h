#pragma once
// Thread timers and the calling thread's message queue on the simulated PC:
// Windows' queue, on a clock that jumps to the next deadline when the thread
// waits.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/windows_model/thread_queue.h"

namespace sim {

struct Messages : platform::windows_model::ThreadQueue {
    // Input the system takes before the thread's next message (keystrokes).
    std::vector<std::function<void()>> input_sources;
    unsigned starved_waits = 0;  // GetMessageA with nothing that could ever arrive

    // Posts to the thread's queue now.
    void post(std::uint32_t message, std::uintptr_t wparam = 0, std::intptr_t lparam = 0, void* window = nullptr);
};

Messages& messages();

// How the simulated PC's thread waits: the clock jumps to the deadline.
platform::windows_model::ThreadWaits& sim_waits();

}  // namespace sim
