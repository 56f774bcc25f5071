#!/usr/bin/env bash
# Installs the Debian packages Solvane builds and tests with, when any is missing.
# Idempotent and silent when everything is already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libminizip-dev zlib1g-dev
  libjpeg62-turbo-dev
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libx11-dev libxext-dev fonts-dejavu-core
  libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool imagemagick openbox x11-utils
  ffmpeg
  clang libclang-rt-14-dev llvm-14
  # the web build and its tests
  clang-14 lld-14 wasi-libc libc++-14-dev-wasm32 libc++abi-14-dev-wasm32 libclang-rt-14-dev-wasm32
  binaryen nodejs chromium dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null 2>&1 || { echo "install-deps: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
