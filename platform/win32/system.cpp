// Windows version, tick clock, run-time loading, thread timers, the message
// queue and message boxes, on the Windows API.
#include <windows.h>

#include <cstddef>

#include "platform/platform.h"

namespace platform {

static_assert(sizeof(OsVersionInfo) == sizeof(OSVERSIONINFOA));
static_assert(offsetof(OsVersionInfo, platform_id) == offsetof(OSVERSIONINFOA, dwPlatformId));
static_assert(sizeof(Message) == sizeof(MSG));
static_assert(offsetof(Message, time) == offsetof(MSG, time));

bool get_version(OsVersionInfo& info) {
    return GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info)) != FALSE;
}

std::uint32_t tick_count() { return GetTickCount(); }

Module load_library(const char* name) { return LoadLibraryA(name); }

void* find_symbol(Module module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

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

void translate_message(const Message& message) { TranslateMessage(reinterpret_cast<const MSG*>(&message)); }

void dispatch_message(const Message& message) { DispatchMessageA(reinterpret_cast<const MSG*>(&message)); }

int message_box(const char* text, const char* caption, std::uint32_t type) {
    return MessageBoxA(nullptr, text, caption, type);
}

}  // namespace platform
