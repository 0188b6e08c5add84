# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (POSIX threads
# flavour, so that std::thread and friends work in the test framework).
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DQUORVEL_MINGW_PREFIX=<expat install>
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUORVEL_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUORVEL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVEL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVEL_MINGW_TRIPLE}-windres)

# Libraries and headers come only from the MinGW tree (zlib of
# libz-mingw-w64-dev) and from the prefix where our own Expat build lives,
# never from the Linux system; programs (python3, windres) from the host.
if(NOT QUORVEL_MINGW_PREFIX AND DEFINED ENV{QUORVEL_MINGW_PREFIX})
  set(QUORVEL_MINGW_PREFIX $ENV{QUORVEL_MINGW_PREFIX})
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUORVEL_MINGW_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${QUORVEL_MINGW_TRIPLE} ${QUORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The program ships as one file: the static zlib, not zlib1.dll.
set(ZLIB_USE_STATIC_LIBS ON)
