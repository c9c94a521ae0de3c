# SPDX-License-Identifier: MIT
# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (posix thread model,
# which std::thread and Qt need). Used for the cross Qt and chain-loaded by its
# qt.toolchain.cmake for the program.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ALERTS_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ALERTS_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ALERTS_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ALERTS_MINGW_TRIPLET}-windres)

list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ALERTS_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
