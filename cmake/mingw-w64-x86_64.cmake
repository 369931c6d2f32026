# Cross build for 64-bit Windows with Debian's mingw-w64 (the posix thread
# model, which has std::thread). The programs are linked statically against
# the compiler's runtime, so a bare .exe runs under wine or on Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KAVOR_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAVOR_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVOR_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVOR_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KAVOR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No DLLs to copy beside the programs: libgcc, libstdc++ and winpthread go in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run through wine when it is there (ctest and gtest discovery).
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  # Debian keeps the 64-bit loader out of PATH.
  find_program(KAVOR_WINE64 NAMES wine64 PATHS /usr/lib/wine)
  if(KAVOR_WINE64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${KAVOR_WINE64})
  endif()
endif()
