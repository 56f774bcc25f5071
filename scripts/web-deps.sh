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

progress() { echo "web-deps: $*" >&2; }

bash "$repo/scripts/install-deps.sh" >&2
tools=(dpkg-dev cmake ninja-build)
linux_dev=(zlib1g-dev libjpeg62-turbo-dev libminizip-dev googletest)

sudo=""
need_root() {
  [ "$(id -u)" -eq 0 ] && return 0
  command -v sudo >/dev/null 2>&1 || { progress "need root or sudo to $1"; exit 1; }
  sudo="sudo"
}

for p in "${tools[@]}" "${linux_dev[@]}"; do
  [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] ||
    { progress "$p is missing (scripts/install-deps.sh installs it)"; exit 1; }
done

# name=version of each source package, as built for the Linux side.
mapfile -t sources < <(dpkg-query -W -f='${source:Package}=${source:Version}\n' \
  zlib1g-dev libjpeg62-turbo-dev libminizip-dev googletest)
source_version() {
  local s
  for s in "${sources[@]}"; do
    [ "${s%%=*}" = "$1" ] && { echo "${s#*=}"; return 0; }
  done
  progress "no installed package is built from the source package $1"
  exit 1
}

compiler_banner=$(clang-14 --version)
key_material=$(
  printf '%s\n' "${sources[@]}"
  dpkg-query -W -f='${Package}=${Version}\n' clang-14 lld-14 wasi-libc libc++-14-dev-wasm32 \
    libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32 cmake
  echo "${compiler_banner%%$'\n'*}"
  sha256sum <"$script"
  sha256sum <"$toolchain"
  sha256sum <"$setjmp_header"
)
key=$(sha256sum <<<"$key_material" | cut -c1-16)

cache=${SOLVANE_WEB_DEPS_CACHE:-$HOME/.cache/solvane-web-deps}
prefix=$cache/$key
stamp=$prefix/.solvane-web-deps.stamp
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
exec 9>"$cache/$key.lock"
flock -n 9 || { progress "waiting for another run building $prefix"; flock 9; }
if [ -f "$stamp" ]; then
  echo "$prefix"
  exit 0
fi

# --- Source packages -------------------------------------------------------

# Entries of the configured Debian archives that no deb-src entry mirrors yet,
# as "file:N" (N is the stanza of a .sources file or the line of a .list file).
debian_entries_without_sources() {
  local own=$1
  # apt expands these fields, not the shell.
  # shellcheck disable=SC2016
  apt-get indextargets --format \
    '$(TARGET_OF)	$(ORIGIN)	$(SITE)	$(RELEASE)	$(COMPONENT)	$(SOURCESENTRY)' |
    awk -F'\t' -v own="$own" '
      { entry = $6; file = entry; sub(/:[0-9]+$/, "", file); k = $3 " " $4 " " $5 }
      $1 == "deb-src" && file != own { covered[k] = 1 }
      $1 == "deb" && $2 == "Debian" { wanted[k] = entry }
      END { for (k in wanted) if (!(k in covered)) print wanted[k] }' |
    sort -u
}

# The deb-src twin of each entry, keeping its options (Signed-By and the like).
deb_src_for() {
  local entry file n
  for entry in "$@"; do
    file=${entry%:*} n=${entry##*:}
    case "$file" in
      *.sources)
        awk -v want="$n" '
          function flush() {
            if (fields && ++count == want) printf "%s\n", stanza
            stanza = ""; fields = 0
          }
          /^[ \t]*$/ { flush(); next }
          /^#/ { next }
          /^Types:/ { stanza = stanza "Types: deb-src\n"; fields++; next }
          { stanza = stanza $0 "\n"; if ($0 !~ /^[ \t]/) fields++ }
          END { flush() }' "$file" ;;
      *)
        sed -n "${n}s/^\([[:space:]]*\)deb\([[:space:]]\)/\1deb-src\2/p" "$file" ;;
    esac
  done
}

sources_unknown() {
  # grep reads to the end: had it stopped at the first match, apt-cache would
  # die of SIGPIPE and pipefail would call a version that is there missing.
  local s
  for s in "${sources[@]}"; do
    apt-cache showsrc --only-source "${s%%=*}" 2>/dev/null | grep -xF "Version: ${s#*=}" >/dev/null || echo "$s"
  done
}

ensure_deb_src() {
  local own=/etc/apt/sources.list.d/solvane-deb-src.sources entries
  [ -z "$(sources_unknown)" ] && return 0
  mapfile -t entries < <(debian_entries_without_sources "$own")
  if [ ${#entries[@]} -gt 0 ]; then
    need_root "enable Debian source packages in $own"
    progress "enabling Debian source packages in $own"
    deb_src_for "${entries[@]}" | $sudo tee "$own" >/dev/null
  fi
  need_root "run apt-get update"
  $sudo apt-get update -qq >&2
  local unknown
  unknown=$(sources_unknown)
  if [ -n "$unknown" ]; then
    progress "apt offers no source package for: ${unknown//$'\n'/ }"
    exit 1
  fi
}

ensure_deb_src

# --- Build -----------------------------------------------------------------

partial=$prefix.partial
log=$cache/$key.log
downloads=$cache/sources
work=""

# From here on every tool's chatter goes to the log; fd 3 is the real stdout
# (for the prefix alone) and fd 4 the real stderr (for progress lines).
exec 3>&1 4>&2 >"$log" 2>&1
progress() { echo "web-deps: $*" >&4; }
finish() {
  local status=$?
  [ -z "$work" ] || rm -rf "$work"
  if [ "$status" -ne 0 ]; then
    echo "web-deps: failed; the end of $log:" >&4
    tail -n 60 "$log" >&4
  fi
}
trap finish EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

work=$(mktemp -d "${TMPDIR:-/tmp}/solvane-web-deps.XXXXXX")
mkdir -p "$downloads"
rm -rf "$partial"
mkdir -p "$partial/lib" "$partial/include"

progress "building into $prefix (log: $log)"
jobs=$(nproc)

unpack() { # source package name, directory to unpack into
  local version
  version=$(source_version "$1")
  (cd "$downloads" && apt-get source --download-only "$1=$version")
  dpkg-source -x "$downloads/${1}_${version#*:}.dsc" "$2"
}

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
