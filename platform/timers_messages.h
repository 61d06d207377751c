#pragma once
// The platform contract: thread timers and the calling thread's message queue.
#include <cstdint>

#include "platform/abi.h"

namespace platform {

using TimerId = std::uintptr_t;
using TimerProc = void(KBP_STDCALL*)(void* window, unsigned message, TimerId timer,
                                     unsigned long time);

// SetTimer with no window and identifier 0: `proc` runs when the timer message
// is dispatched from this thread's queue, every `milliseconds` until killed.
// 0 when no timer could be started.
TimerId set_timer(std::uint32_t milliseconds, TimerProc proc);
bool kill_timer(TimerId timer);

// Same layout as MSG.
struct Message {
    void* window;
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
    std::uint32_t time;
    std::int32_t x;
    std::int32_t y;
};
constexpr std::uint32_t kWmQuit = 0x0012;
constexpr std::uint32_t kWmTimer = 0x0113;

// GetMessageA for any window of this thread: > 0 a message, 0 WM_QUIT (its
// exit code in wparam), -1 error.
int get_message(Message& message);
// PeekMessageA with PM_REMOVE: true when a message was taken.
bool peek_message(Message& message);
// PeekMessageA with PM_REMOVE for WM_TIMER: true when a message was taken.
// Every other message stays queued, except WM_QUIT, which PeekMessageA hands
// out whatever the filter (and ahead of any timer message).
bool peek_timer_message(Message& message);
// PostQuitMessage: a WM_QUIT with `exit_code` is pending for this thread.
void post_quit_message(int exit_code);
void translate_message(const Message& message);
void dispatch_message(const Message& message);

}  // namespace platform
