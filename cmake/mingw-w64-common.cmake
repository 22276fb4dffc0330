# What the two mingw-w64 toolchains share; each sets _triple and _threads first.
set(CMAKE_C_COMPILER ${_triple}-gcc-${_threads})
set(CMAKE_CXX_COMPILER ${_triple}-g++-${_threads})
set(CMAKE_RC_COMPILER ${_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run under Wine through a wrapper that gives them a prepared
# prefix (see tests/wine/wine-run.sh). A native Windows build has no emulator.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tests/wine/wine-run.sh)
