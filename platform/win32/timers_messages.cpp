// Thread timers and the calling thread's message queue.
#include <windows.h>

#include <cstddef>

#include "platform/timers_messages.h"

namespace platform {

static_assert(sizeof(Message) == sizeof(MSG));
static_assert(offsetof(Message, time) == offsetof(MSG, time));

TimerId set_timer(std::uint32_t milliseconds, TimerProc proc) {
    return SetTimer(nullptr, 0, milliseconds, reinterpret_cast<TIMERPROC>(proc));
}

bool kill_timer(TimerId timer) { return KillTimer(nullptr, timer) != FALSE; }

int get_message(Message& message) {
    const BOOL result = GetMessageA(reinterpret_cast<MSG*>(&message), nullptr, 0, 0);
    return result > 0 ? 1 : result == 0 ? 0 : -1;
}

bool peek_message(Message& message) {
    return PeekMessageA(reinterpret_cast<MSG*>(&message), nullptr, 0, 0, PM_REMOVE) != FALSE;
}

bool peek_timer_message(Message& message) {
    MSG* taken = reinterpret_cast<MSG*>(&message);
    if (!PeekMessageA(taken, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) return false;
    // PeekMessage hands out WM_QUIT whatever the filter: it is the caller's, so
    // it goes back into the queue.
    if (taken->message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(taken->wParam));
        return false;
    }
    return true;
}

void translate_message(const Message& message) { TranslateMessage(reinterpret_cast<const MSG*>(&message)); }

void dispatch_message(const Message& message) { DispatchMessageA(reinterpret_cast<const MSG*>(&message)); }

}  // namespace platform
