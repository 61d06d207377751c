# cmake -DDLL=file -DBUDGET=bytes -P check_size.cmake
cmake_minimum_required(VERSION 3.20)
file(SIZE ${DLL} size)
math(EXPR kib "(${size} + 1023) / 1024")
if(size GREATER BUDGET)
  message(FATAL_ERROR "${DLL}: ${size} bytes (${kib} KiB), over its budget of ${BUDGET} bytes")
endif()
message(STATUS "${DLL}: ${size} bytes (${kib} KiB), budget ${BUDGET}")
