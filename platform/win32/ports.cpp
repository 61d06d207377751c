// Byte-wide port I/O on the keyboard controller, where Windows grants it.
#include <windows.h>

#include "platform/ports.h"

namespace platform {

namespace {

#ifdef _WIN64

// 64-bit Windows never lets a user-mode program touch the ports, so nothing
// is probed: an in or out instruction would only fault.
bool probe_port_access() { return false; }

#else

using AddHandler = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
using RemoveHandler = ULONG(WINAPI*)(PVOID);

volatile bool probing = false;
volatile bool probe_faulted = false;

// The probe's `in al, dx` is one byte long: step over it and note the refusal.
LONG CALLBACK skip_refused_port_access(EXCEPTION_POINTERS* info) {
    if (!probing || info->ExceptionRecord->ExceptionCode != EXCEPTION_PRIV_INSTRUCTION)
        return EXCEPTION_CONTINUE_SEARCH;
    probe_faulted = true;
    info->ContextRecord->Eip += 1;
    return EXCEPTION_CONTINUE_EXECUTION;
}

bool probe_port_access() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    // Windows 95/98/Me let every program touch the ports.
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) return true;

    // On the NT family a program gets port access only from a driver that
    // opened the I/O permission map, which shows as a status read that does
    // not fault. Systems before XP have no vectored handler to catch the
    // fault with; they are treated as refusing.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto add = reinterpret_cast<AddHandler>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "AddVectoredExceptionHandler")));
    auto remove = reinterpret_cast<RemoveHandler>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "RemoveVectoredExceptionHandler")));
    if (add == nullptr || remove == nullptr) return false;
    PVOID handler = add(1, skip_refused_port_access);
    if (handler == nullptr) return false;
    probe_faulted = false;
    probing = true;
    unsigned char value;
    __asm__ __volatile__("inb %%dx, %%al" : "=a"(value) : "d"(static_cast<unsigned short>(0x64)) : "memory");
    probing = false;
    remove(handler);
    return !probe_faulted;
}

#endif

}  // namespace

// A grant is kept; a refusal is asked again, since a driver opened meanwhile
// may have granted access. The library's calls never overlap, so the answer
// needs no guarded static (and the DLL no C++ run-time support for one).
bool port_io_permitted() {
    static bool granted = false;
    if (!granted) granted = probe_port_access();
    return granted;
}

std::uint8_t port_read(std::uint16_t port) {
    std::uint8_t value;
    __asm__ __volatile__("inb %%dx, %%al" : "=a"(value) : "d"(port));
    return value;
}

void port_write(std::uint16_t port, std::uint8_t value) {
    __asm__ __volatile__("outb %%al, %%dx" : : "a"(value), "d"(port));
}

}  // namespace platform
