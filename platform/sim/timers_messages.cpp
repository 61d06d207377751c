// Thread timers and the message queue of the simulated PC.
#include "platform/sim/clock.h"
#include "platform/sim/faults.h"
#include "platform/sim/messages.h"
#include "platform/timers_messages.h"

namespace platform {

namespace {
bool refuses(sim::Call call) { return sim::faults().refuses(call); }
}  // namespace

TimerId set_timer(std::uint32_t milliseconds, TimerProc proc) {
    if (refuses(sim::Call::set_timer)) return 0;
    sim::Messages& m = sim::messages();
    ++m.timers_started;
    const TimerId id = m.next_id++;
    const sim::TimerDelivery delivery = m.delivery;
    m.timers.push_back({id, milliseconds, sim::clock().now_ms + milliseconds + delivery.late_ms, proc, delivery});
    return id;
}

// A refused kill leaves the timer running.
bool kill_timer(TimerId timer) {
    if (refuses(sim::Call::kill_timer)) return false;
    sim::Messages& m = sim::messages();
    const auto removed = std::erase_if(m.timers, [&](const sim::Timer& t) { return t.id == timer; });
    // A timer message already taken from the queue is not taken back.
    if (removed != 0) ++m.timers_killed;
    return removed != 0;
}

int get_message(Message& message) {
    if (refuses(sim::Call::get_message)) return -1;
    if (sim::messages().take(message, true)) return message.message == kWmQuit ? 0 : 1;
    // Nothing could ever arrive: a real thread would block for ever here. The
    // simulated one gets a WM_NULL, which means nothing, and lets time pass.
    ++sim::messages().starved_waits;
    message = {nullptr, 0, 0, 0, sim::clock().now_ms, 0, 0};
    return 1;
}

bool peek_message(Message& message) { return !refuses(sim::Call::peek_message) && sim::messages().take(message, false); }

bool peek_timer_message(Message& message) {
    return !refuses(sim::Call::peek_timer_message) && sim::messages().take_timer(message);
}

void post_quit_message(int exit_code) {
    sim::faults().note(sim::Call::post_quit_message);
    ++sim::messages().quits_posted;
    sim::messages().quit = exit_code;
}

void translate_message(const Message&) { sim::faults().note(sim::Call::translate_message); }

void dispatch_message(const Message& message) {
    sim::faults().note(sim::Call::dispatch_message);
    sim::Messages& m = sim::messages();
    ++m.dispatched;
    if (auto window = m.window_procedures.find(message.window); window != m.window_procedures.end()) {
        window->second(message);
        return;
    }
    if (message.message == kWmTimer && message.lparam != 0)
        reinterpret_cast<TimerProc>(message.lparam)(message.window, message.message, message.wparam,
                                                    message.time);
}

}  // namespace platform
