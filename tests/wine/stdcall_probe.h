#pragma once
// Calls an export the way a standard-call caller does and measures how far the
// stack pointer moved: 0 when the callee removed exactly its own arguments.
#include <cstdint>
#include <initializer_list>

// `arguments` (at most four) are the routine's own; the probe pushes four
// words in all, the routine's first argument nearest the return address.
// x86-64 has one calling convention, in which the caller always cleans up:
// there is no drift to measure.
#if defined(__x86_64__)
inline int stack_drift_after_call(void*, std::initializer_list<std::int32_t> = {}) { return 0; }
#else
inline int stack_drift_after_call(void* routine, std::initializer_list<std::int32_t> arguments = {}) {
    std::int32_t words[4] = {};
    int count = 0;
    for (std::int32_t a : arguments)
        if (count < 4) words[count++] = a;
    int moved;
    __asm__ __volatile__(
        "movl %%esp, %%esi\n\t"
        "pushl 12(%2)\n\t"
        "pushl 8(%2)\n\t"
        "pushl 4(%2)\n\t"
        "pushl (%2)\n\t"
        "call *%1\n\t"
        "movl %%esp, %0\n\t"
        "subl %%esi, %0\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(moved)
        : "r"(routine), "r"(words)
        : "esi", "ecx", "edx", "memory", "cc");
    // A routine that removes its `count` arguments leaves the other words pushed.
    return moved + 4 * (4 - count);
}
#endif
