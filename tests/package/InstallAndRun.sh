#!/usr/bin/env bash
# The installed program: `cmake --install` into a fresh prefix, then the demo's
# check and a whole headless run from there, and the Debian package's contents
# and dependencies. InstallAndRun.sh BUILD_DIR
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/../e2e/Checks.sh"

cmake --install "$build" --prefix "$work/usr" >/dev/null
check "the prefix holds the programs, the audio library, the data, the music and the web page's template" \
  "pack-data preflight-run.sh solvane solvane-audio.so solvane-live solvane-pack solvane-render solvane.dat solvane.mp3 web" \
  "$(cd "$work/usr/lib/solvane" && echo *)"
check "bin/ links to the four programs" \
  "../lib/solvane/solvane ../lib/solvane/solvane-render ../lib/solvane/solvane-live ../lib/solvane/solvane-pack" \
  "$(readlink "$work/usr/bin/solvane") $(readlink "$work/usr/bin/solvane-render") $(readlink "$work/usr/bin/solvane-live") $(readlink "$work/usr/bin/solvane-pack")"
check "the installed live tool answers --help" 0 \
  "$("$work/usr/bin/solvane-live" --help >/dev/null 2>&1; echo $?)"

# Run from elsewhere, through the links: the data is found beside the executable.
cd "$work"
check "the installed demo loads cleanly" "solvane-render: set-up OK, end time 52 s" \
  "$("$work/usr/bin/solvane-render" --check 2>&1 | grep 'set-up OK')"
SOLVANE_PLATFORM=headless SOLVANE_HEADLESS_INPUT="tab end tab end return" SDL_AUDIODRIVER=dummy \
  "$work/usr/bin/solvane" l >/dev/null 2>&1
check "the installed program runs the whole demo" 0 "$?"
check "its log shows the set-up from the installed data" "Script Demo.txt: 8 Effects" \
  "$(grep -o 'Script Demo.txt: 8 Effects' kol.log)"

# The Debian package: the same files under /usr, and what they need at run time.
cpack --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null 2>&1
deb=$(ls "$work"/deb/*.deb 2>/dev/null | head -n 1)
check "a .deb is made" yes "$([ -n "$deb" ] && echo yes)"
check "the package's files" "./usr/bin/solvane
./usr/bin/solvane-live
./usr/bin/solvane-pack
./usr/bin/solvane-render
./usr/lib/solvane/pack-data
./usr/lib/solvane/preflight-run.sh
./usr/lib/solvane/solvane
./usr/lib/solvane/solvane-audio.so
./usr/lib/solvane/solvane-live
./usr/lib/solvane/solvane-pack
./usr/lib/solvane/solvane-render
./usr/lib/solvane/solvane.dat
./usr/lib/solvane/solvane.mp3
./usr/lib/solvane/web/solvane.css
./usr/lib/solvane/web/solvane.html
./usr/lib/solvane/web/solvane.js" "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in libsdl2-2.0-0 libsdl2-mixer-2.0-0 libsdl2-ttf-2.0-0 fonts-dejavu-core libminizip1 libjpeg62-turbo; do
  check "the package depends on $needed" yes "$(grep -q "$needed" <<<"$depends" && echo yes)"
done
finish
