# Cross-compile for Windows with MinGW-w64 (posix threads) and run under Wine.
# QUILLANE_ARCH picks the architecture: x86 (runs everywhere, XP included) or x64.
set(QUILLANE_ARCH x64 CACHE STRING "Target architecture: x86 or x64")
set_property(CACHE QUILLANE_ARCH PROPERTY STRINGS x86 x64)
if(QUILLANE_ARCH STREQUAL "x86")
  set(CMAKE_SYSTEM_PROCESSOR i686)
  set(MINGW_PREFIX i686-w64-mingw32)
elseif(QUILLANE_ARCH STREQUAL "x64")
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
  set(MINGW_PREFIX x86_64-w64-mingw32)
else()
  message(FATAL_ERROR "QUILLANE_ARCH must be x86 or x64, not '${QUILLANE_ARCH}'")
endif()
set(CMAKE_SYSTEM_NAME Windows)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLANE_ARCH)

set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_OBJDUMP ${MINGW_PREFIX}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# /usr/bin/wine starts the 32-bit loader, which hands 64-bit programs to wine64.
find_program(WINE_EXECUTABLE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_EXECUTABLE})

# No MinGW runtime DLL next to the executables.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
