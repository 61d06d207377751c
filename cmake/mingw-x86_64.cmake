# Cross-compiles the 64-bit Windows DLLs with MinGW-w64 (x86-64).
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)
# 64-bit Wine, whose loader Debian keeps off PATH.
set(KBP_WINE_LOADER /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
