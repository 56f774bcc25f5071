# Cross-compiles for 64-bit Windows with Debian's mingw-w64 and runs what it builds under Wine.
#
#   prefix=$(bash scripts/windows-deps.sh)
#   cmake -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#     -DSOLVANE_WINDOWS_PREFIX="$prefix"
#
# The prefix may come from the environment variable SOLVANE_WINDOWS_PREFIX instead.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SOLVANE_MINGW_TRIPLE x86_64-w64-mingw32)
set(SOLVANE_MINGW_SYSROOT /usr/${SOLVANE_MINGW_TRIPLE})

# The posix thread model: with the win32 one, std::thread, std::mutex and
# std::condition_variable do not exist in GCC 12's libstdc++.
set(CMAKE_C_COMPILER ${SOLVANE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${SOLVANE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${SOLVANE_MINGW_TRIPLE}-windres)

if(NOT SOLVANE_WINDOWS_PREFIX AND DEFINED ENV{SOLVANE_WINDOWS_PREFIX})
  set(SOLVANE_WINDOWS_PREFIX "$ENV{SOLVANE_WINDOWS_PREFIX}")
endif()
set(SOLVANE_WINDOWS_PREFIX "${SOLVANE_WINDOWS_PREFIX}" CACHE PATH
  "Prefix of the cross-built libraries (the path scripts/windows-deps.sh prints)")
# try_compile projects read this file again but not the cache; without this their
# find_* calls would not see the prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SOLVANE_WINDOWS_PREFIX)

# Headers and libraries only ever come from the Windows side, so a host library
# (an ELF .so or .a) can never be picked by mistake; programs are host tools.
set(CMAKE_FIND_ROOT_PATH ${SOLVANE_MINGW_SYSROOT})
if(SOLVANE_WINDOWS_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${SOLVANE_WINDOWS_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config must not answer with the host's .pc files either (the .pc files in
# the prefix hold absolute paths, so no sysroot rewriting is wanted).
set(_solvane_pc_dirs ${SOLVANE_MINGW_SYSROOT}/lib/pkgconfig)
if(SOLVANE_WINDOWS_PREFIX)
  list(PREPEND _solvane_pc_dirs "${SOLVANE_WINDOWS_PREFIX}/lib/pkgconfig")
endif()
string(REPLACE ";" ":" _solvane_pc_dirs "${_solvane_pc_dirs}")
set(ENV{PKG_CONFIG_LIBDIR} "${_solvane_pc_dirs}")
set(ENV{PKG_CONFIG_PATH} "")
unset(_solvane_pc_dirs)

# Every executable and DLL carries its own C, C++ and winpthread runtimes, so it
# runs with nothing but Windows' own DLLs beside it.
set(_solvane_static_runtime "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${_solvane_static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${_solvane_static_runtime}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${_solvane_static_runtime}")
unset(_solvane_static_runtime)

# The sysroot ships both libz.a and libz.dll.a; FindZLIB would take the import
# library and leave the program needing zlib1.dll.
if(NOT DEFINED ZLIB_USE_STATIC_LIBS)
  set(ZLIB_USE_STATIC_LIBS ON)
endif()

# Debian 12 puts no wine64 on PATH: its /usr/bin/wine is a wrapper that starts
# /usr/lib/wine/wine64 when the 32-bit loader (wine32:i386) is not installed.
find_program(SOLVANE_WINE NAMES wine wine64 PATHS /usr/lib/wine
  DOC "Wine loader that runs the cross-built programs")
if(SOLVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${SOLVANE_WINE}")
endif()
