# Cross-compiles the 32-bit Windows DLLs with MinGW-w64 (i686).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(TOOLCHAIN_PREFIX i686-w64-mingw32)
# 32-bit Wine, through Debian's wrapper.
set(KBP_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
