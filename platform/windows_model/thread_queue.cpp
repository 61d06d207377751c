#include "platform/windows_model/thread_queue.h"

#include <algorithm>

namespace platform::windows_model {

namespace {

std::uint32_t message_time(std::uint64_t now_ns) { return static_cast<std::uint32_t>(now_ns / kNsPerMs); }

Message message_of(std::uint64_t now_ns, void* window, std::uint32_t message, std::uintptr_t wparam,
                   std::intptr_t lparam) {
    return {window, message, wparam, lparam, message_time(now_ns), 0, 0};
}

}  // namespace

TimerId ThreadQueue::take_timer_id() {
    for (;;) {
        const TimerId id = next_id;
        next_id = next_id - 1 <= kTimerIdFloor ? kFirstTimerId : next_id - 1;
        if (std::none_of(timers.begin(), timers.end(), [id](const Timer& t) { return t.id == id; })) return id;
    }
}

TimerId ThreadQueue::set_timer(ThreadWaits& waits, std::uint32_t milliseconds, TimerProc proc) {
    ++timers_started;
    const TimerId id = take_timer_id();
    const std::uint64_t due = waits.now_ns() + (std::uint64_t{milliseconds} + delivery.late_ms) * kNsPerMs;
    timers.push_back({id, milliseconds, due, proc, delivery});
    return id;
}

// A timer message already taken from the queue is not taken back.
bool ThreadQueue::kill_timer(TimerId timer) {
    const auto removed = std::erase_if(timers, [timer](const Timer& t) { return t.id == timer; });
    if (removed != 0) ++timers_killed;
    return removed != 0;
}

void ThreadQueue::post(ThreadWaits& waits, void* window, std::uint32_t message, std::uintptr_t wparam,
                       std::intptr_t lparam) {
    posted.push_back(message_of(waits.now_ns(), window, message, wparam, lparam));
}

void ThreadQueue::post_after(ThreadWaits& waits, std::uint32_t delay_ms, void* window, std::uint32_t message,
                             std::uintptr_t wparam, std::intptr_t lparam) {
    const std::uint64_t due = waits.now_ns() + std::uint64_t{delay_ms} * kNsPerMs;
    later.push_back({due, message_of(due, window, message, wparam, lparam)});
}

void ThreadQueue::post_quit(int exit_code) {
    ++quits_posted;
    quit = exit_code;
}

// Moves the messages whose time has come into the queue, in time order.
void ThreadQueue::deliver_due(std::uint64_t now_ns) {
    std::stable_sort(later.begin(), later.end(), [](const Later& a, const Later& b) { return a.due_ns < b.due_ns; });
    auto due_end = later.begin();
    while (due_end != later.end() && due_end->due_ns <= now_ns) posted.push_back((due_end++)->message);
    later.erase(later.begin(), due_end);
}

bool ThreadQueue::take_quit(std::uint64_t now_ns, Message& out) {
    if (!quit) return false;
    out = message_of(now_ns, nullptr, kWmQuit, static_cast<std::uintptr_t>(*quit), 0);
    quit.reset();
    return true;
}

bool ThreadQueue::take_due_timer(std::uint64_t now_ns, Message& out) {
    Timer* next = nullptr;
    for (Timer& t : timers)
        if (!t.delivery.lost && (next == nullptr || t.due_ns < next->due_ns)) next = &t;
    if (next == nullptr || next->due_ns > now_ns) return false;
    next->due_ns = now_ns + (std::uint64_t{next->interval_ms} + next->delivery.late_ms) * kNsPerMs;
    out = message_of(now_ns, nullptr, kWmTimer, next->id, reinterpret_cast<std::intptr_t>(next->proc));
    return true;
}

bool ThreadQueue::take_any(ThreadWaits& waits, Message& out) {
    waits.take_input();
    const std::uint64_t now = waits.now_ns();
    deliver_due(now);
    if (!posted.empty()) {
        out = posted.front();
        posted.pop_front();
        return true;
    }
    return take_quit(now, out) || take_due_timer(now, out);
}

// The earliest time something can come by itself: a timer's message or a
// message posted for later.
std::optional<std::uint64_t> ThreadQueue::next_deadline() const {
    std::optional<std::uint64_t> deadline;
    const auto consider = [&deadline](std::uint64_t due) { deadline = deadline ? std::min(*deadline, due) : due; };
    for (const Timer& t : timers)
        if (!t.delivery.lost) consider(t.due_ns);
    for (const Later& l : later) consider(l.due_ns);
    return deadline;
}

int ThreadQueue::get_message(ThreadWaits& waits, Message& out) {
    for (;;) {
        if (take_any(waits, out)) return out.message == kWmQuit ? 0 : 1;
        if (!waits.wait(next_deadline())) return -1;
    }
}

bool ThreadQueue::peek_message(ThreadWaits& waits, Message& out) { return take_any(waits, out); }

bool ThreadQueue::peek_timer_message(ThreadWaits& waits, Message& out) {
    waits.take_input();
    const std::uint64_t now = waits.now_ns();
    deliver_due(now);
    const auto posted_of = [this](std::uint32_t kind) {
        return std::find_if(posted.begin(), posted.end(), [kind](const Message& m) { return m.message == kind; });
    };
    // The filter does not hold back a quit message; a timer message posted by
    // hand is a timer message too.
    auto taken = posted_of(kWmQuit);
    if (taken == posted.end()) {
        if (take_quit(now, out)) return true;
        taken = posted_of(kWmTimer);
    }
    if (taken != posted.end()) {
        out = *taken;
        posted.erase(taken);
        return true;
    }
    return take_due_timer(now, out);
}

void ThreadQueue::dispatch(const Message& message) {
    ++dispatched;
    if (auto window = window_procedures.find(message.window); window != window_procedures.end()) {
        // The procedure may change the table, its own entry included.
        std::function<void(const Message&)>(window->second)(message);
        return;
    }
    if (message.message == kWmTimer && message.lparam != 0)
        reinterpret_cast<TimerProc>(message.lparam)(message.window, message.message, message.wparam, message.time);
}

}  // namespace platform::windows_model
