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
    return sim::messages().set_timer(sim::sim_waits(), milliseconds, proc);
}

// A refused kill leaves the timer running.
bool kill_timer(TimerId timer) { return !refuses(sim::Call::kill_timer) && sim::messages().kill_timer(timer); }

int get_message(Message& message) {
    if (refuses(sim::Call::get_message)) return -1;
    const int result = sim::messages().get_message(sim::sim_waits(), message);
    if (result >= 0) return result;
    // Nothing could ever arrive: a real thread would block for ever here. The
    // simulated one gets a WM_NULL, which means nothing, and lets time pass.
    ++sim::messages().starved_waits;
    message = {nullptr, 0, 0, 0, sim::clock().now_ms, 0, 0};
    return 1;
}

bool peek_message(Message& message) {
    return !refuses(sim::Call::peek_message) && sim::messages().peek_message(sim::sim_waits(), message);
}

bool peek_timer_message(Message& message) {
    return !refuses(sim::Call::peek_timer_message) && sim::messages().peek_timer_message(sim::sim_waits(), message);
}

void post_quit_message(int exit_code) {
    sim::faults().note(sim::Call::post_quit_message);
    sim::messages().post_quit(exit_code);
}

void translate_message(const Message&) { sim::faults().note(sim::Call::translate_message); }

void dispatch_message(const Message& message) {
    sim::faults().note(sim::Call::dispatch_message);
    sim::messages().dispatch(message);
}

}  // namespace platform
