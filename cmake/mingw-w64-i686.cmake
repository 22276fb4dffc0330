# Cross build for 32-bit Windows with mingw-w64. The -win32 compilers carry the
# win32 thread model: their runtime calls only what Windows 95 and NT 4 have,
# where the posix model's winpthreads imports calls of Windows XP and later.
# The programs use no std::thread or std::mutex (the 32-bit tree builds no
# tests).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(_triple i686-w64-mingw32)
set(_threads win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
