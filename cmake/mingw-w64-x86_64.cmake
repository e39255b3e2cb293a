# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows --toolchain cmake/mingw-w64-x86_64.cmake
# The posix flavour gives std::thread and friends. Programs are linked statically, so a single
# .exe runs without the MinGW runtime DLLs beside it; under Linux, ctest runs them with Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QU_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QU_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QU_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QU_MINGW_TRIPLE}-windres)

# Headers, libraries and CMake packages come from the MinGW tree only (or from a package
# directory given as <Package>_DIR); the build's own tools are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${QU_MINGW_TRIPLE})
# Qt for Windows (scripts/build-qt-windows.sh) is a second root; its tools are the host's.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QU_QT_WINDOWS_PREFIX)
if(QU_QT_WINDOWS_PREFIX)
  list(APPEND CMAKE_FIND_ROOT_PATH ${QU_QT_WINDOWS_PREFIX})
  set(QT_HOST_PATH /usr)
  set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QU_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(QU_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QU_WINE})
  endif()
endif()
