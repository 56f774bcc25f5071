#!/usr/bin/env bash
# Cross-builds, for WebAssembly (wasm32-wasi), the libraries the engine links
# (zlib, minizip, libjpeg-turbo) and GoogleTest for the test suites, as static
# libraries made from the Debian source packages of the very versions the Linux
# build uses, so the browser runs the same library code as the desktop.
#
# The result is a prefix kept outside the clone and reused while the package
# versions, the compiler and this recipe stay the same. The prefix path is the
# only thing printed on stdout:
#
#   prefix=$(bash scripts/web-deps.sh)
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/wasm32-wasi.cmake \
#         -DSOLVANE_WEB_PREFIX="$prefix" ...
#
# SOLVANE_WEB_DEPS_CACHE sets where prefixes are kept.
set -euo pipefail

script=$(realpath "${BASH_SOURCE[0]}")
repo=$(dirname "$(dirname "$script")")
toolchain=$repo/cmake/toolchains/wasm32-wasi.cmake
setjmp_header=$repo/src/platform/system/wasi/include/setjmp.h

label=web-deps
# shellcheck source=scripts/cross-deps-common.sh
source "$repo/scripts/cross-deps-common.sh"

bash "$repo/scripts/install-deps.sh" >&2
tools=(dpkg-dev cmake ninja-build)
linux_dev=(zlib1g-dev libjpeg62-turbo-dev libminizip-dev googletest)

for p in "${tools[@]}" "${linux_dev[@]}"; do
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] ||
    { progress "$p is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

# name=version of each source package, as built for the Linux side.
mapfile -t sources < <(dpkg-query -W -f='${source:Package}=${source:Version}\n' \
  zlib1g-dev libjpeg62-turbo-dev libminizip-dev googletest)
compiler_banner=$(clang-14 --version)
key_material=$(
  printf '%s\n' "${sources[@]}"
  dpkg-query -W -f='${Package}=${Version}\n' clang-14 lld-14 wasi-libc libc++-14-dev-wasm32 \
    libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32 cmake
  echo "${compiler_banner%%$'\n'*}"
  sha256sum <"$script"
  sha256sum <"$repo/scripts/cross-deps-common.sh"
  sha256sum <"$toolchain"
  sha256sum <"$setjmp_header"
)
key=$(sha256sum <<<"$key_material" | cut -c1-16)

use_cached_prefix "${SOLVANE_WEB_DEPS_CACHE:-$HOME/.cache/solvane-web-deps}" "$key"

ensure_deb_src

# --- Build -----------------------------------------------------------------

start_build
mkdir -p "$partial/lib" "$partial/include"

cmake_install() { # source directory, build directory, cache entries...
  cmake -S "$1" -B "$2" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DSOLVANE_WEB_PREFIX="$partial" \
    -DCMAKE_INSTALL_PREFIX="$partial" \
    -DCMAKE_BUILD_TYPE=Release \
    "${@:3}"
  cmake --build "$2" -j "$jobs" ${target:+--target "$target"}
}

# The compiler as the toolchain file sets it up, for the packages built
# without CMake: the same isolated sysroot and flags.
sysroot=$work/wasi-sysroot
mkdir -p "$sysroot/include" "$sysroot/lib"
ln -s /usr/include/wasm32-wasi "$sysroot/include/wasm32-wasi"
ln -s /usr/lib/wasm32-wasi "$sysroot/lib/wasm32-wasi"
cc=(clang-14 --target=wasm32-wasi "--sysroot=$sysroot" -mbulk-memory -O2)

archive() { # library, flags..., --, sources...
  local lib=$1 flags=() src
  shift
  while [ "$1" != "--" ]; do flags+=("$1"); shift; done
  shift
  mkdir -p "$work/obj-$lib"
  for src in "$@"; do
    echo "  $src"
    "${cc[@]}" "${flags[@]}" -c "$src" -o "$work/obj-$lib/$(basename "${src%.*}").o"
  done
  llvm-ar-14 rcs "$partial/lib/lib$lib.a" "$work/obj-$lib"/*.o
}

progress "zlib $(source_version zlib)"
unpack zlib "$work/zlib"
# Its configure probes the compiler with programs it links and runs nothing;
# only the library is wanted (its examples need what WASI lacks).
(
  cd "$work/zlib"
  CC="${cc[*]}" AR=llvm-ar-14 RANLIB=llvm-ranlib-14 CHOST=wasm32 ./configure --static --prefix="$partial"
  make -j "$jobs" libz.a
  install -m 644 libz.a "$partial/lib/"
  install -m 644 zlib.h zconf.h "$partial/include/"
)

progress "minizip $(source_version minizip)"
unpack minizip "$work/minizip"
# Its autotools files expect to sit inside zlib's tree; the library is four
# files (iowin32.c is Windows'). The file functions are the 64-bit ones
# wasi-libc has under their plain names.
(
  cd "$work/minizip"
  archive minizip "-I$partial/include" -DIOAPI_NO_64 -D_LARGEFILE64_SOURCE=0 -- ioapi.c mztools.c unzip.c zip.c
  install -d "$partial/include/minizip"
  install -m 644 crypt.h ioapi.h mztools.h unzip.h zip.h "$partial/include/minizip/"
)
# With static libraries minizip's users need zlib too, and pkg_check_modules
# reads no Libs.private, so -lz goes in Libs.
mkdir -p "$partial/lib/pkgconfig"
cat >"$partial/lib/pkgconfig/minizip.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: minizip
Description: Minizip zip file manipulation library
Version: $(sed -n 's/^AC_INIT(\[minizip\], \[\([^]]*\)\].*/\1/p' "$work/minizip/configure.ac")
Libs: -L\${libdir} -lminizip -lz
Cflags: -I\${includedir}/minizip
EOF

progress "libjpeg-turbo $(source_version libjpeg-turbo)"
unpack libjpeg-turbo "$work/libjpeg-turbo"
# No SIMD for wasm32: the plain C code paths, which decode exactly as the
# Linux build's SIMD ones.
target=jpeg-static cmake_install "$work/libjpeg-turbo" "$work/build-libjpeg-turbo" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF
install -m 644 "$work/build-libjpeg-turbo/libjpeg.a" "$partial/lib/"
install -m 644 "$work/build-libjpeg-turbo/jconfig.h" "$work/libjpeg-turbo/jerror.h" \
  "$work/libjpeg-turbo/jmorecfg.h" "$work/libjpeg-turbo/jpeglib.h" "$partial/include/"

progress "googletest $(source_version googletest)"
unpack googletest "$work/googletest"
# Without exceptions (there is no C++ exception runtime for wasm32), which
# its build would switch on for the library itself, and without threads
# (WASI has none), nor capture of the standard streams (no dup).
sed -i 's/set(cxx_exception_flags "-fexceptions")/set(cxx_exception_flags "-fno-exceptions")/' \
  "$work/googletest/googletest/cmake/internal_utils.cmake"
grep -q 'cxx_exception_flags "-fno-exceptions"' "$work/googletest/googletest/cmake/internal_utils.cmake"
target="" cmake_install "$work/googletest" "$work/build-googletest" \
  -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON \
  -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG -DGTEST_HAS_EXCEPTIONS=0 -DGTEST_HAS_STREAM_REDIRECTION=0"
cmake --install "$work/build-googletest"

# GoogleTest's CMake files name the prefix they were installed to; make them
# name the one the prefix is about to become.
# perl reads FROM and TO from its environment.
# shellcheck disable=SC2016
{ grep -rlIZF -- "$partial" "$partial" || [ $? -eq 1 ]; } |
  FROM=$partial TO=$prefix xargs -0 -r perl -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/g'

printf '%s\n' "$key_material" >"$partial/${stamp##*/}"
rm -rf "$prefix"
mv "$partial" "$prefix"
progress "done"
echo "$prefix" >&3
