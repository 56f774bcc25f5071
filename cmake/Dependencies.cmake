# Libraries from Debian packages (scripts/install-deps.sh installs them).
find_package(PkgConfig REQUIRED)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
find_package(ZLIB REQUIRED)
find_package(JPEG REQUIRED)
if(SOLVANE_TESTS)
  find_package(GTest REQUIRED)
endif()
