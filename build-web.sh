#!/usr/bin/env bash
# Cross-builds the engine for WebAssembly (wasm32-wasi, clang 14) into
# build-web/: build-web/solvane.wasm is the module a web page drives
# (app/WebModule.h lists its exports), build-web/solvane.dat the bundled demo
# beside it, build-web/solvane.html the bundled demo's page (all in one
# file), and the portable unit tests come too (scripts/web-tests.sh runs them
# under Node). The libraries come from Debian's source packages,
# cross-built once into a cache outside the clone (scripts/web-deps.sh). The
# generators and the bundled demo's data are the Linux build's (build/),
# which is built first when it is missing.
set -euo pipefail
cd "$(dirname "$0")"
prefix=$(bash scripts/web-deps.sh)

host=build
if [ ! -x "$host/src/ui/make-start-resources" ] || [ ! -f "$host/solvane.dat" ]; then
  echo "build-web: building the Linux side's generators and data in $host/ first" >&2
  cmake -S . -B "$host" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$host" -j"$(nproc)" --target make-start-resources demo_data
fi

# A new prefix (new package versions or recipe) leaves the libraries found in
# the old one in the cache: configure afresh then.
if [ -f build-web/CMakeCache.txt ] &&
  ! grep -qxF "SOLVANE_WEB_PREFIX:PATH=$prefix" build-web/CMakeCache.txt; then
  rm -rf build-web/CMakeCache.txt build-web/CMakeFiles
fi
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/wasm32-wasi.cmake "${launcher[@]}" \
  -DSOLVANE_WEB_PREFIX="$prefix" -DSOLVANE_HOST_BUILD="$PWD/$host" >/dev/null
cmake --build build-web -j"$(nproc)"

# Only wasm headers may reach the compiler: the toolchain's sysroot holds no
# others, and this proves it for every object built (a header of the build
# machine's would compile here and misbehave at run time).
leaks=$(ninja -C build-web -t deps | grep -E '^ +/usr/(local/)?include/' | grep -v '^ */usr/include/wasm32-wasi/' | sort -u || true)
if [ -n "$leaks" ]; then
  echo "build-web: headers of the build machine reached the wasm build:" >&2
  echo "$leaks" >&2
  exit 1
fi

cp "$host/solvane.dat" build-web/solvane.dat

# The bundled demo's page: the module, the data and the music in one file,
# made and checked by the Linux build's solvane-pack as any demo's page is.
cmake --build "$host" -j"$(nproc)" --target solvane-pack solvane-render >/dev/null
"$host/solvane-pack" --web --data "$host/solvane.dat" --name solvane --web-build build-web --out build-web \
  >build-web/pack.log 2>&1 || { cat build-web/pack.log >&2; exit 1; }
echo "build-web: build-web/solvane.wasm $(du -k build-web/solvane.wasm | cut -f1) KiB, build-web/solvane.dat $(du -k build-web/solvane.dat | cut -f1) KiB," \
  "build-web/solvane.html $(du -k build-web/solvane.html | cut -f1) KiB"
