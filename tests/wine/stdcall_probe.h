#pragma once
// Calls an export the way a standard-call caller does and measures how far the
// stack pointer moved: 0 when the callee removed its own arguments.
#include <cstdint>

inline int stack_drift_after_call(void* routine) {
    int drift;
    __asm__ __volatile__(
        "movl %%esp, %%esi\n\t"
        "call *%1\n\t"
        "movl %%esp, %0\n\t"
        "subl %%esi, %0\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(drift)
        : "r"(routine)
        : "esi", "ecx", "edx", "memory", "cc");
    return drift;
}

inline int stack_drift_after_call(void* routine, std::int32_t argument) {
    int drift;
    __asm__ __volatile__(
        "movl %%esp, %%esi\n\t"
        "pushl %2\n\t"
        "call *%1\n\t"
        "movl %%esp, %0\n\t"
        "subl %%esi, %0\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(drift)
        : "r"(routine), "g"(argument)
        : "esi", "ecx", "edx", "memory", "cc");
    return drift;
}

// The same for a timer procedure: four 32-bit arguments (window, WM_TIMER, timer, time).
inline int stack_drift_after_four_argument_call(void* routine) {
    int drift;
    __asm__ __volatile__(
        "movl %%esp, %%esi\n\t"
        "pushl $0\n\t"
        "pushl $0\n\t"
        "pushl $0x113\n\t"
        "pushl $0\n\t"
        "call *%1\n\t"
        "movl %%esp, %0\n\t"
        "subl %%esi, %0\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(drift)
        : "r"(routine)
        : "esi", "ecx", "edx", "memory", "cc");
    return drift;
}
