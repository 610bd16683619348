# Cross-compiles for 32-bit Windows with Debian's MinGW-w64, posix threads (the thread model Qt
# and the program share, so they share one libstdc++).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

# Qt and GoogleTest come from the cache that scripts/build-qt-win32.sh fills.
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
if(DEFINED ENV{ZELD_QT_WIN32})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{ZELD_QT_WIN32} $ENV{ZELD_QT_WIN32}/googletest)
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run under Wine.
find_program(ZELD_WINE wine)
if(ZELD_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZELD_WINE})
endif()
