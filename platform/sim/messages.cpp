#include "platform/sim/messages.h"

#include <algorithm>

#include "platform/sim/clock.h"

namespace sim {

namespace {

// The message of the timer due first; `wait` lets the clock run to it.
bool take_timer_message(std::vector<Timer>& timers, platform::Message& out, bool wait) {
    auto next = std::min_element(timers.begin(), timers.end(), [](const Timer& a, const Timer& b) {
        return !a.delivery.lost && (b.delivery.lost || std::int32_t(a.due_ms - b.due_ms) < 0);
    });
    if (next == timers.end() || next->delivery.lost) return false;
    const std::int32_t until_due = std::int32_t(next->due_ms - clock().now_ms);
    if (until_due > 0) {
        if (!wait) return false;
        clock().advance(static_cast<std::uint32_t>(until_due));
    }
    // Like Windows, a timer that fell behind yields one message, not a backlog.
    next->due_ms = clock().now_ms + next->interval_ms + next->delivery.late_ms;
    out = {nullptr, platform::kWmTimer, next->id, reinterpret_cast<std::intptr_t>(next->proc),
           clock().now_ms, 0, 0};
    return true;
}

}  // namespace

void Messages::post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam) {
    posted.push_back({nullptr, message, wparam, lparam, clock().now_ms, 0, 0});
}

bool Messages::take(platform::Message& out, bool wait) {
    if (!posted.empty()) {
        out = posted.front();
        posted.pop_front();
        return true;
    }
    return take_timer_message(timers, out, wait);
}

bool Messages::take_timer(platform::Message& out) {
    // A timer message a test posted by hand is a timer message too.
    auto posted_timer = std::find_if(posted.begin(), posted.end(),
                                     [](const platform::Message& m) { return m.message == platform::kWmTimer; });
    if (posted_timer != posted.end()) {
        out = *posted_timer;
        posted.erase(posted_timer);
        return true;
    }
    return take_timer_message(timers, out, false);
}

}  // namespace sim
