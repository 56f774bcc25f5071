#!/usr/bin/env bash
# Cross-builds, for 64-bit Windows, the libraries Solvane links, as static
# libraries made from the Debian source packages of the very versions the Linux
# build uses, so both builds run the same library code.
#
# The result is a prefix kept outside the clone and reused while the package
# versions, the cross compiler and this recipe stay the same. The prefix path is
# the only thing printed on stdout:
#
#   prefix=$(bash scripts/windows-deps.sh)
#   cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
#         -DSOLVANE_WINDOWS_PREFIX="$prefix" ...
#
# SOLVANE_WINDOWS_DEPS_CACHE sets where prefixes are kept.
set -euo pipefail

script=$(realpath "${BASH_SOURCE[0]}")
repo=$(dirname "$(dirname "$script")")
toolchain=$repo/cmake/toolchains/mingw-w64-x86_64.cmake
triple=x86_64-w64-mingw32
cc=$triple-gcc-posix
cxx=$triple-g++-posix

label=windows-deps
# shellcheck source=scripts/cross-deps-common.sh
source "$repo/scripts/cross-deps-common.sh"

tools=(
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev nasm
  wine wine64 python3
  dpkg-dev cmake ninja-build pkg-config
)
# The Linux build's packages: the versions installed here are the ones cross-built.
linux_dev=(libjpeg62-turbo-dev libminizip-dev libsdl2-dev libsdl2-mixer-dev libmodplug-dev libpng-dev googletest)

install_missing() {
  local missing=() p status
  declare -A state=()
  while read -r p status; do state[$p]=$status; done < <(
    dpkg-query -W -f='${Package} ${db:Status-Status}\n' "$@" 2>/dev/null || true)
  for p in "$@"; do
    [ "${state[$p]:-}" = "installed" ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  need_root "install: ${missing[*]}"
  progress "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq >&2
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

install_missing "${tools[@]}" "${linux_dev[@]}"

# name=version of each source package, as built for the Linux side.
mapfile -t sources < <(dpkg-query -W -f='${source:Package}=${source:Version}\n' \
  libjpeg62-turbo-dev libminizip-dev libsdl2-dev libsdl2-mixer-dev libmodplug-dev)
compiler_banner=$("$cxx" --version)
key_material=$(
  printf '%s\n' "${sources[@]}"
  dpkg-query -W -f='${Package}=${Version}\n' googletest libpng-dev g++-mingw-w64-x86-64-posix \
    mingw-w64-x86-64-dev binutils-mingw-w64-x86-64 libz-mingw-w64-dev nasm cmake
  echo "${compiler_banner%%$'\n'*}"
  sha256sum <"$script"
  sha256sum <"$repo/scripts/cross-deps-common.sh"
  sha256sum <"$toolchain"
)
key=$(sha256sum <<<"$key_material" | cut -c1-16)

use_cached_prefix "${SOLVANE_WINDOWS_DEPS_CACHE:-$HOME/.cache/solvane-windows-deps}" "$key"

ensure_deb_src

# --- Build -----------------------------------------------------------------

start_build

cmake_install() { # source directory, build directory, cache entries...
  cmake -S "$1" -B "$2" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DSOLVANE_WINDOWS_PREFIX="$partial" \
    -DCMAKE_INSTALL_PREFIX="$partial" \
    -DCMAKE_BUILD_TYPE=Release \
    "${@:3}"
  cmake --build "$2" -j "$jobs"
  cmake --install "$2"
}

# Compiles sources in parallel into a static library, for the packages whose
# own build system cannot cross-build without more machinery than their handful of files.
archive() { # library, compiler, flags..., --, sources...
  local lib=$1 compiler=$2 flags=() src objs=() compile=$work/compile-$1.sh
  shift 2
  while [ "$1" != "--" ]; do flags+=("$1"); shift; done
  shift
  mkdir -p "$work/obj-$lib" "$partial/lib"
  # $1 and $2 are the generated script's arguments.
  # shellcheck disable=SC2016
  {
    printf 'echo "  $1"; exec'
    printf ' %q' "$compiler" "${flags[@]}"
    printf ' -c "$1" -o "$2"\n'
  } >"$compile"
  for src in "$@"; do
    objs+=("$src" "$work/obj-$lib/$(basename "${src%.*}").o")
  done
  printf '%s\0' "${objs[@]}" | xargs -0 -n 2 -P "$jobs" bash "$compile"
  "$triple-ar" rcs "$partial/lib/lib$lib.a" "$work/obj-$lib"/*.o
}

write_pc() { # name, description, version, libs, cflags
  mkdir -p "$partial/lib/pkgconfig"
  cat >"$partial/lib/pkgconfig/$1.pc" <<EOF
prefix=$partial
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $2
Version: $3
Libs: -L\${libdir} $4
Cflags: $5
EOF
}

version_of() { local v; v=$(source_version "$1"); v=${v#*:}; echo "${v%%[-+]*}"; }

progress "libjpeg-turbo $(source_version libjpeg-turbo)"
unpack libjpeg-turbo "$work/libjpeg-turbo"
# Without REQUIRE_SIMD a missing nasm would quietly give a build several times slower.
cmake_install "$work/libjpeg-turbo" "$work/build-libjpeg-turbo" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DREQUIRE_SIMD=ON

progress "minizip $(source_version minizip)"
unpack minizip "$work/minizip"
# Its autotools files expect to sit inside zlib's tree; the library is five files.
minizip_sources=(ioapi.c mztools.c unzip.c zip.c iowin32.c)
minizip_headers=(crypt.h ioapi.h mztools.h unzip.h zip.h iowin32.h)
(
  cd "$work/minizip"
  archive minizip "$cc" -O2 -- "${minizip_sources[@]}"
  install -d "$partial/include/minizip"
  install -m 644 "${minizip_headers[@]}" "$partial/include/minizip/"
)
# With static libraries minizip's users need zlib too, and pkg_check_modules
# reads no Libs.private, so -lz goes in Libs. CMake resolves it by trying
# libz.dll.a before libz.a in each directory: the link to the sysroot's static
# libz beside libminizip.a keeps programs from needing zlib1.dll.
ln -s "/usr/$triple/lib/libz.a" "$partial/lib/libz.a"
write_pc minizip "Minizip zip file manipulation library" \
  "$(sed -n 's/^AC_INIT(\[minizip\], \[\([^]]*\)\].*/\1/p' "$work/minizip/configure.ac")" \
  "-lminizip -lz" "-I\${includedir}/minizip"

progress "libmodplug $(source_version libmodplug)"
unpack libmodplug "$work/libmodplug"
# What its configure would find on Windows, and the flags it adds itself;
# MODPLUG_STATIC keeps modplug.h from declaring its functions dllimport.
modplug_flags=(-O2 -DMODPLUG_BUILD=1 -DMODPLUG_STATIC -DHAVE_STDINT_H -DHAVE_INTTYPES_H -DHAVE_MALLOC_H
  -fno-exceptions -ffast-math -fno-common -D_REENTRANT -Isrc -Isrc/libmodplug)
(
  cd "$work/libmodplug"
  archive modplug "$cxx" "${modplug_flags[@]}" -- src/*.cpp
  install -d "$partial/include/libmodplug"
  install -m 644 src/modplug.h src/libmodplug/stdafx.h src/libmodplug/sndfile.h \
    src/libmodplug/it_defs.h "$partial/include/libmodplug/"
)
write_pc libmodplug "The ModPlug mod file playing library" "$(version_of libmodplug)" \
  "-lmodplug -lstdc++" "-I\${includedir} -DMODPLUG_STATIC"

progress "SDL2 $(source_version libsdl2)"
unpack libsdl2 "$work/sdl2"
cmake_install "$work/sdl2" "$work/build-sdl2" \
  -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TESTS=OFF

progress "SDL2_mixer $(source_version libsdl2-mixer)"
unpack libsdl2-mixer "$work/sdl2-mixer"
for decoder in dr_libs/dr_mp3.h dr_libs/dr_flac.h stb_vorbis/stb_vorbis.h; do
  [ -f "$work/sdl2-mixer/src/codecs/$decoder" ] ||
    { echo "SDL2_mixer's source package lacks src/codecs/$decoder"; exit 1; }
done
# The decoders it carries (dr_mp3, stb_vorbis, dr_flac) and libmodplug, all
# linked in: nothing is loaded from a DLL at run time. MIDI, Opus and the
# external-player backend are not used by Solvane.
cmake_install "$work/sdl2-mixer" "$work/build-sdl2-mixer" \
  -DBUILD_SHARED_LIBS=OFF -DSDL2MIXER_VENDORED=OFF -DSDL2MIXER_SAMPLES=OFF \
  -DSDL2MIXER_DEPS_SHARED=OFF -DSDL2MIXER_CMD=OFF \
  -DSDL2MIXER_MP3=ON -DSDL2MIXER_MP3_DRMP3=ON -DSDL2MIXER_MP3_MPG123=OFF \
  -DSDL2MIXER_VORBIS=STB \
  -DSDL2MIXER_FLAC=ON -DSDL2MIXER_FLAC_DRFLAC=ON -DSDL2MIXER_FLAC_LIBFLAC=OFF \
  -DSDL2MIXER_MOD=ON -DSDL2MIXER_MOD_MODPLUG=ON -DSDL2MIXER_MOD_MODPLUG_SHARED=OFF -DSDL2MIXER_MOD_XMP=OFF \
  -Dmodplug_COMPILE_OPTIONS=-DMODPLUG_STATIC \
  -DSDL2MIXER_MIDI=OFF -DSDL2MIXER_OPUS=OFF -DSDL2MIXER_WAVE=ON

# libpng, for the offline renderer. A security update may have replaced the
# Linux build's revision in the archive; then the newest revision of the same
# upstream release that apt can fetch is built, and the log says which.
png_installed=$(dpkg-query -W -f='${source:Version}' libpng-dev)
png_version=""
for candidate in "$png_installed" $(apt-cache showsrc --only-source libpng1.6 2>/dev/null |
  awk -v up="${png_installed%%-*}" '/^Version:/ && index($2, up "-") == 1 {print $2}' | sort -rV); do
  if (cd "$downloads" && apt-get source --download-only "libpng1.6=$candidate"); then
    png_version=$candidate
    break
  fi
done
[ -n "$png_version" ] || { echo "no source package of libpng ${png_installed%%-*} can be fetched"; exit 1; }
progress "libpng $png_version (the Linux build has $png_installed)"
dpkg-source -x "$downloads/libpng1.6_${png_version#*:}.dsc" "$work/libpng"
cmake_install "$work/libpng" "$work/build-libpng" \
  -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DPNG_FRAMEWORK=OFF

progress "googletest $(dpkg-query -W -f='${Version}' googletest)"
# Without pthreads gtest uses Win32's own threading primitives.
cmake_install /usr/src/googletest "$work/build-googletest" \
  -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON

# Installed .pc files, sdl2-config and the like name the prefix they were built
# for; make them name the one the prefix is about to become.
# perl reads FROM and TO from its environment.
# shellcheck disable=SC2016
{ grep -rlIZF -- "$partial" "$partial" || [ $? -eq 1 ]; } |
  FROM=$partial TO=$prefix xargs -0 -r perl -pi -e 's/\Q$ENV{FROM}\E/$ENV{TO}/g'

printf '%s\n' "$key_material" >"$partial/${stamp##*/}"
rm -rf "$prefix"
mv "$partial" "$prefix"
progress "done"
echo "$prefix" >&3
