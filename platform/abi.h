#pragma once
// Calling convention of everything that crosses a DLL boundary: the exports of
// both libraries, the routines they look up at run time and the callbacks they
// hand to the system. Only the 32-bit Windows build has a convention to name.
#if defined(_WIN32) && !defined(_WIN64)
#define KBP_STDCALL __stdcall
#else
#define KBP_STDCALL
#endif
