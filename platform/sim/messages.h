#pragma once
// Thread timers and the calling thread's message queue on the simulated PC.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/platform.h"

namespace sim {

// How the messages of a timer reach the queue. A lost timer runs and is due,
// but its WM_TIMER never arrives; a late one arrives `late_ms` after it is due.
struct TimerDelivery {
    bool lost = false;
    std::uint32_t late_ms = 0;
};

struct Timer {
    platform::TimerId id;
    std::uint32_t interval_ms;
    std::uint32_t due_ms;  // when its next message arrives
    platform::TimerProc proc;
    TimerDelivery delivery;
};

struct Messages {
    std::vector<Timer> timers;
    std::deque<platform::Message> posted;   // messages in the queue
    std::vector<platform::Message> later;   // posted to arrive at their `time`
    // PostQuitMessage's flag: a WM_QUIT with this exit code is pending. It comes
    // after the posted messages and before any timer message, as on Windows.
    std::optional<int> quit;
    // Input the system takes before the thread's next message (keystrokes).
    std::vector<std::function<void()>> input_sources;
    // What dispatching a message to a window runs.
    std::map<void*, std::function<void(const platform::Message&)>> window_procedures;
    platform::TimerId next_id = 0x7FF0;
    TimerDelivery delivery;  // for the timers started from now on
    unsigned timers_started = 0;
    unsigned timers_killed = 0;
    unsigned dispatched = 0;
    unsigned starved_waits = 0;  // GetMessageA with nothing that could ever arrive
    unsigned quits_posted = 0;   // PostQuitMessage

    void post(std::uint32_t message, std::uintptr_t wparam = 0, std::intptr_t lparam = 0, void* window = nullptr);
    // Posts a message that arrives at `due_ms` on the clock.
    void post_at(std::uint32_t due_ms, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam,
                 void* window);
    // Takes the next message; `wait` lets the clock run to the next timer.
    bool take(platform::Message& out, bool wait);
    // PeekMessageA filtered to WM_TIMER: a pending WM_QUIT (the flag, or one
    // posted), else the message of a timer that is due now; every other posted
    // message stays queued.
    bool take_timer(platform::Message& out);
};

Messages& messages();

}  // namespace sim
