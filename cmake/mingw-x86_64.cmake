# The Windows build's 64-bit twin, for testing under 64-bit Wine only.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
