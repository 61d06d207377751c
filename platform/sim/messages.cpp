#include "platform/sim/messages.h"

#include "platform/sim/clock.h"
#include "platform/windows_model/backend.h"

namespace sim {

namespace {

using platform::windows_model::kNsPerMs;

class JumpingClockWaits final : public platform::windows_model::ThreadWaits {
public:
    std::uint64_t now_ns() override { return clock().unwrapped_ms() * kNsPerMs; }

    void take_input() override {
        for (const auto& source : messages().input_sources) source();
    }

    // Nothing waits in real time: the clock jumps to the deadline. With no
    // deadline nothing could ever arrive.
    bool wait(std::optional<std::uint64_t> deadline_ns) override {
        if (!deadline_ns) return false;
        const std::uint64_t now = now_ns();
        if (*deadline_ns > now) clock().advance(static_cast<std::uint32_t>((*deadline_ns - now + kNsPerMs - 1) / kNsPerMs));
        return true;
    }
};

}  // namespace

platform::windows_model::ThreadWaits& sim_waits() {
    static JumpingClockWaits waits;
    return waits;
}

void Messages::post(std::uint32_t message, std::uintptr_t wparam, std::intptr_t lparam, void* window) {
    ThreadQueue::post(sim_waits(), window, message, wparam, lparam);
}

}  // namespace sim

namespace platform::windows_model {
ThreadQueue& thread_queue() { return sim::messages(); }
ThreadWaits& thread_waits() { return sim::sim_waits(); }
}  // namespace platform::windows_model
