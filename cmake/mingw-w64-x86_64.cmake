# Cross build for 64-bit Windows with mingw-w64. The -posix compilers carry the
# posix thread model, which std::thread and std::mutex (and GoogleTest) need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_triple x86_64-w64-mingw32)
set(_threads posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
