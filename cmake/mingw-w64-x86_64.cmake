# Toolchain for 64-bit Windows with Debian's mingw-w64 (POSIX threads); programs run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QUILLON_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QUILLON_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUILLON_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${QUILLON_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUILLON_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libstdc++, libgcc, winpthread) goes into every
# program, so no DLL has to be found beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# ctest and the test discovery start Windows programs through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
