// Thread timers and the calling thread's message queue.
#include <windows.h>

#include <cstddef>

#include "platform/timers_messages.h"

namespace platform {

static_assert(sizeof(Message) == sizeof(MSG));
static_assert(offsetof(Message, wparam) == offsetof(MSG, wParam));
static_assert(offsetof(Message, time) == offsetof(MSG, time));
static_assert(kWmQuit == WM_QUIT && kWmTimer == WM_TIMER);
static_assert(sizeof(TimerId) == sizeof(UINT_PTR));

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
    return PeekMessageA(reinterpret_cast<MSG*>(&message), nullptr, WM_TIMER, WM_TIMER, PM_REMOVE) != FALSE;
}

void post_quit_message(int exit_code) { PostQuitMessage(exit_code); }

void translate_message(const Message& message) { TranslateMessage(reinterpret_cast<const MSG*>(&message)); }

void dispatch_message(const Message& message) { DispatchMessageA(reinterpret_cast<const MSG*>(&message)); }

}  // namespace platform
