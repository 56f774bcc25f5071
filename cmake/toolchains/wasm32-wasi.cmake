# Cross-compiles for WebAssembly (wasm32-wasi) with Debian's clang 14, wasi-libc
# and libc++ for wasm32, and runs what it builds under Node.
#
#   prefix=$(bash scripts/web-deps.sh)
#   cmake -B build-web -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/wasm32-wasi.cmake \
#     -DSOLVANE_WEB_PREFIX="$prefix"
#
# The compiler sees only the wasm headers: its sysroot is a directory of its
# own holding links to Debian's wasm32-wasi headers and libraries, so nothing
# of /usr/include can stand in for a header wasi-libc lacks (the driver would
# search it after the wasm directories). The one header the engine needs that
# wasi-libc lacks, setjmp.h, is our own (src/platform/system/wasi/include).

set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_VERSION 1)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
# CMake 3.25 knows no WASI platform: the generic one sets neither UNIX nor WIN32.

set(CMAKE_C_COMPILER clang-14)
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_AR llvm-ar-14 CACHE FILEPATH "")
set(CMAKE_RANLIB llvm-ranlib-14 CACHE FILEPATH "")
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)

if(NOT SOLVANE_WEB_PREFIX AND DEFINED ENV{SOLVANE_WEB_PREFIX})
  set(SOLVANE_WEB_PREFIX "$ENV{SOLVANE_WEB_PREFIX}")
endif()
set(SOLVANE_WEB_PREFIX "${SOLVANE_WEB_PREFIX}" CACHE PATH
  "Prefix of the cross-built libraries (the path scripts/web-deps.sh prints)")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SOLVANE_WEB_PREFIX)

# The isolated sysroot, made in the build tree (or the deps' build) on first use.
get_filename_component(_solvane_repo "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
set(SOLVANE_WASI_SYSROOT "${CMAKE_BINARY_DIR}/wasi-sysroot")
if(NOT EXISTS "${SOLVANE_WASI_SYSROOT}/lib/wasm32-wasi")
  file(MAKE_DIRECTORY "${SOLVANE_WASI_SYSROOT}/include" "${SOLVANE_WASI_SYSROOT}/lib")
  file(CREATE_LINK /usr/include/wasm32-wasi "${SOLVANE_WASI_SYSROOT}/include/wasm32-wasi" SYMBOLIC)
  file(CREATE_LINK /usr/lib/wasm32-wasi "${SOLVANE_WASI_SYSROOT}/lib/wasm32-wasi" SYMBOLIC)
endif()
set(CMAKE_SYSROOT "${SOLVANE_WASI_SYSROOT}")

# Bulk memory turns memcpy and memset into single instructions (wasi-libc's own
# are byte loops); exception handling carries setjmp/longjmp, which the JPEG
# codec's error recovery needs (the runtime is src/platform/system/wasi/).
set(_solvane_wasm_flags
  "-mbulk-memory -mexception-handling -mllvm -wasm-enable-sjlj -isystem ${_solvane_repo}/src/platform/system/wasi/include")
set(CMAKE_C_FLAGS_INIT "${_solvane_wasm_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_solvane_wasm_flags} -fno-exceptions")
# 1 MiB of stack (the default 64 KiB has no guard below it), and the heap
# may grow as the data needs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-z,stack-size=1048576 -Wno-unused-command-line-argument")
unset(_solvane_wasm_flags)

set(CMAKE_FIND_ROOT_PATH "${SOLVANE_WASI_SYSROOT}")
if(SOLVANE_WEB_PREFIX)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${SOLVANE_WEB_PREFIX}")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(_solvane_pc_dirs "")
if(SOLVANE_WEB_PREFIX)
  set(_solvane_pc_dirs "${SOLVANE_WEB_PREFIX}/lib/pkgconfig")
endif()
set(ENV{PKG_CONFIG_LIBDIR} "${_solvane_pc_dirs}")
set(ENV{PKG_CONFIG_PATH} "")
unset(_solvane_pc_dirs)

# Tests and host-side runs of what this builds go through Node's WASI, with
# the clone (sources and build tree) and the temporary directory open to them.
# Single-threaded: Node 20's background threads crash it now and then at exit
# after a module's memory has grown by a few hundred MiB.
find_program(SOLVANE_NODE NAMES node nodejs DOC "Node, which runs the wasm32-wasi programs")
if(SOLVANE_NODE)
  set(CMAKE_CROSSCOMPILING_EMULATOR
    "${SOLVANE_NODE};--no-warnings;--single-threaded;${_solvane_repo}/scripts/run-wasi.mjs;--dir;/tmp;--dir;${_solvane_repo}")
endif()
unset(_solvane_repo)
