# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# which gives std::thread and std::mutex to the program and to GoogleTest).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARNVEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARNVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARNVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
