#include "platform/sim/messages.h"

#include <algorithm>

#include "platform/sim/clock.h"

namespace sim {

namespace {

bool earlier(std::uint32_t a, std::uint32_t b) { return std::int32_t(a - b) < 0; }

// The message of the timer due first; `wait` lets the clock run to it, unless
// a message posted for later arrives first.
bool take_timer_message(Messages& m, platform::Message& out, bool wait) {
    auto& timers = m.timers;
    auto next = std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) {
        return !a.delivery.lost && (b.delivery.lost || earlier(a.due_ms, b.due_ms));
    });
    if (next == timers.end() || next->delivery.lost) return false;
    const std::int32_t until_due = std::int32_t(next->due_ms - clock().now_ms);
    if (until_due > 0) {
        if (!wait) return false;
        for (const platform::Message& message : m.later)
            if (earlier(message.time, next->due_ms)) return false;
        clock().advance(static_cast<std::uint32_t>(until_due));
    }
    // Like Windows, a timer that fell behind yields one message, not a backlog.
    next->due_ms = clock().now_ms + next->interval_ms + next->delivery.late_ms;
    out = {nullptr, platform::kWmTimer, next->id, reinterpret_cast<std::intptr_t>(next->proc),
           clock().now_ms, 0, 0};
    return true;
}

}  // namespace

void Messages::post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam, void* window) {
    posted.push_back({window, message, wparam, lparam, clock().now_ms, 0, 0});
}

void Messages::post_at(std::uint32_t due_ms, std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam,
                       void* window) {
    later.push_back({window, message, wparam, lparam, due_ms, 0, 0});
}

namespace {

// Moves the messages whose time has come into the queue, in time order.
void deliver_due(Messages& m) {
    std::stable_sort(m.later.begin(), m.later.end(),
                     [](const platform::Message& a, const platform::Message& b) { return earlier(a.time, b.time); });
    while (!m.later.empty() && !earlier(clock().now_ms, m.later.front().time)) {
        m.posted.push_back(m.later.front());
        m.later.erase(m.later.begin());
    }
}

void take_input(Messages& m) {
    for (const auto& source : m.input_sources) source();
    deliver_due(m);
}

bool take_quit_flag(Messages& m, platform::Message& out) {
    if (!m.quit) return false;
    out = {nullptr, platform::kWmQuit, static_cast<std::uintptr_t>(*m.quit), 0, clock().now_ms, 0, 0};
    m.quit.reset();
    return true;
}

}  // namespace

bool Messages::take(platform::Message& out, bool wait) {
    for (;;) {
        take_input(*this);
        if (!posted.empty()) {
            out = posted.front();
            posted.pop_front();
            return true;
        }
        if (take_quit_flag(*this, out)) return true;
        if (take_timer_message(*this, out, wait)) return true;
        // Waiting for a message posted for later: the clock runs to it.
        if (!wait || later.empty()) return false;
        const auto first = std::min_element(later.begin(), later.end(), [](const auto& a, const auto& b) {
            return earlier(a.time, b.time);
        });
        if (earlier(clock().now_ms, first->time)) clock().advance(first->time - clock().now_ms);
    }
}

bool Messages::take_timer(platform::Message& out) {
    take_input(*this);
    const auto posted_of = [this](std::uint32_t kind) {
        return std::find_if(posted.begin(), posted.end(), [kind](const platform::Message& m) { return m.message == kind; });
    };
    // The filter does not hold back a quit message. A timer message a test
    // posted by hand is a timer message too.
    auto taken = posted_of(platform::kWmQuit);
    if (taken == posted.end()) {
        if (take_quit_flag(*this, out)) return true;
        taken = posted_of(platform::kWmTimer);
    }
    if (taken != posted.end()) {
        out = *taken;
        posted.erase(taken);
        return true;
    }
    return take_timer_message(*this, out, false);
}

}  // namespace sim
