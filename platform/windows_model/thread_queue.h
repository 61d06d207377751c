#pragma once
// The calling thread's message queue and its thread timers, as Windows keeps
// them, for a backend with no Windows underneath. The order in which messages
// come out is Windows': posted messages first, then the WM_QUIT that
// PostQuitMessage left pending, then the message of one timer that is due. A
// timer that fell behind yields one message, not a backlog.
//
// What differs between such backends, their clock and how their thread waits,
// comes in as ThreadWaits: the simulated PC's clock jumps to the next
// deadline, real Linux sleeps in poll() on the input it watches.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/timers_messages.h"

namespace platform::windows_model {

inline constexpr std::uint64_t kNsPerMs = 1000000;

class ThreadWaits {
public:
    // The clock the queue keeps its deadlines on, in nanoseconds; it never
    // runs backwards. A message's time is its whole milliseconds.
    virtual std::uint64_t now_ns() = 0;
    // Takes the input that has arrived (keys for a capture), without waiting.
    virtual void take_input() = 0;
    // Waits until `deadline_ns` (none: for ever) or until input arrives,
    // whichever comes first. False when nothing could ever arrive.
    virtual bool wait(std::optional<std::uint64_t> deadline_ns) = 0;

protected:
    ~ThreadWaits() = default;
};

// How the messages of a timer reach the queue. A lost timer runs and is due,
// but its WM_TIMER never arrives; a late one arrives `late_ms` after it is due.
struct TimerDelivery {
    bool lost = false;
    std::uint32_t late_ms = 0;
};

struct Timer {
    TimerId id;
    std::uint32_t interval_ms;
    std::uint64_t due_ns;  // when its next message arrives
    TimerProc proc;
    TimerDelivery delivery;
};

// Windows hands out the identifiers of thread timers counting down from
// here, above kTimerIdFloor, never one that a running timer has.
inline constexpr TimerId kFirstTimerId = 0x7FFF;
inline constexpr TimerId kTimerIdFloor = 0x100;

struct ThreadQueue {
    std::vector<Timer> timers;
    std::deque<Message> posted;  // in the queue now
    struct Later {
        std::uint64_t due_ns;
        Message message;
    };
    std::vector<Later> later;  // posted to arrive at their time
    std::optional<int> quit;   // PostQuitMessage's flag, with its exit code
    // What dispatching a message to a window runs.
    std::map<void*, std::function<void(const Message&)>> window_procedures;
    TimerId next_id = kFirstTimerId;
    TimerDelivery delivery;  // for the timers started from now on
    unsigned timers_started = 0;
    unsigned timers_killed = 0;
    unsigned dispatched = 0;
    unsigned quits_posted = 0;

    // SetTimer with no window; `milliseconds` from now, then every `milliseconds`.
    TimerId set_timer(ThreadWaits& waits, std::uint32_t milliseconds, TimerProc proc);
    bool kill_timer(TimerId timer);
    // GetMessageA: 1 a message, 0 WM_QUIT, -1 when nothing could ever arrive.
    int get_message(ThreadWaits& waits, Message& out);
    bool peek_message(ThreadWaits& waits, Message& out);
    // PeekMessageA filtered to WM_TIMER, which still hands out WM_QUIT.
    bool peek_timer_message(ThreadWaits& waits, Message& out);
    void post(ThreadWaits& waits, void* window, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam);
    // A message that arrives `delay_ms` from now.
    void post_after(ThreadWaits& waits, std::uint32_t delay_ms, void* window, std::uint32_t message,
                    std::uintptr_t wparam, std::intptr_t lparam);
    void post_quit(int exit_code);
    // Runs the window's procedure, or the timer procedure of a WM_TIMER.
    void dispatch(const Message& message);

private:
    TimerId take_timer_id();
    void deliver_due(std::uint64_t now_ns);
    bool take_quit(std::uint64_t now_ns, Message& out);
    bool take_due_timer(std::uint64_t now_ns, Message& out);
    bool take_any(ThreadWaits& waits, Message& out);
    std::optional<std::uint64_t> next_deadline() const;
};

}  // namespace platform::windows_model
