# Cross-compiles Telvia for 64-bit Windows with mingw-w64 (posix threads) and runs the
# resulting test executables through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TELVIA_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TELVIA_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TELVIA_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TELVIA_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TELVIA_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything linked statically: the exe needs nothing but Windows (no libstdc++, libgcc or
# libwinpthread DLLs next to it).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Test executables run under Wine; the wrapper brings the prefix, display and time limit.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
