#!/usr/bin/env bash
# solvane-pack on a small demo of the test's own: the Linux release's files,
# its own name and its video, the refusal of a folder that is not a demo's
# data, the preflight passing the release (run from a read-only copy with the system's
# SDL hidden, its music reaching SDL's disk driver, Escape prompt), and the
# preflight failing, by name, a release with each of the faults parties turn
# entries away for. ReleaseRun.sh BUILD_DIR WRITING_AUDIO_LIBRARY
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$1")
writing_audio=$(realpath "$2")
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
source "$here/../e2e/Checks.sh"
cd "$work"

write_still_demo neon
printf '0 - 3 Bar ;\n0 - 3 Field ;\n' >neon/Script/Demo.txt
# Real music (the bundled demo's), so the video's AAC stream has something to
# spend its bit rate on; a pure tone encodes at a fraction of it.
cp "$build/solvane.mp3" neon.mp3
started=$(date +%s%3N)
"$build/solvane-pack" --data neon --name neon --title "Neon Nights" --linux --video --out out >pack.txt 2>&1
check "the pack succeeds" "0" "$?"
echo "release-run: the pack took $(($(date +%s%3N) - started)) ms"
check "the Linux archive holds the release folder" "neon/
neon/lib/
neon/lib/DejaVuSans.copyright
neon/lib/DejaVuSans.ttf
neon/neon
neon/neon.dat
neon/neon.mp3
neon/neon.nfo
neon/neon.png" "$(tar tzf out/neon-linux.tar.gz | grep -v '^neon/lib/lib')"
libs=$(tar tzf out/neon-linux.tar.gz | sed -n 's|^neon/lib/\(lib.*\)|\1|p' | tr '\n' ' ')
check "SDL, its mixer and its fonts travel with it, and no system library does" "yes" \
  "$(grep -q 'libSDL2-2.0.so.0 .*libSDL2_mixer-2.0.so.0 libSDL2_ttf-2.0.so.0' <<<"$libs" &&
    ! grep -qE 'libc\.so|libX11|libasound|libpulse|libstdc' <<<"$libs" && echo yes)"
tar xzf out/neon-linux.tar.gz -C out
check "the data carries the title and the audio library" "Title = \"Neon Nights\" ;
yes" "$(unzip -p out/neon/neon.dat Release.txt; grep -qx bass.dll <<<"$(unzip -Z1 out/neon/neon.dat)" && echo yes)"
check "the .nfo opens with the title" "Neon Nights" "$(head -n 1 out/neon/neon.nfo)"

"$build/solvane-pack" --data neon/Script --name neon --out wrong >wrong.txt 2>&1
check "the Script folder itself is refused, saying where the data is" "1
solvane-pack: the folder neon/Script holds no Script/Demo.txt at its root; it holds Demo.txt itself, so it looks like the Script folder: give --data neon" \
  "$?
$(cat wrong.txt)"
check "nothing is left of the refused pack" "" "$(ls wrong 2>/dev/null)"

preflight() {  # preflight RELEASE: its lines, and the exit status last
  "$build/solvane-pack" --preflight "$1" 2>&1
  echo "exit $?"
}
good=$(preflight out/neon-linux.tar.gz)
echo "$good"
check "the preflight passes the release" "0 exit 0" "$(grep -c '^FAIL' <<<"$good") $(tail -n 1 <<<"$good")"
check "it ran the demo as the rules ask" "6" "$(grep -cE '^PASS (the Linux viewer plays|it ran with the system.s SDL|it writes nothing|the music reaches|the pointer is hidden|Escape ends it)' <<<"$good")"
check "the video beside it is the demo's length in h.264 with AAC stereo" "PASS neon.mp4: h.264, 150 frames at 50/1 (the demo's length)" \
  "$(grep -o '^PASS neon.mp4: h.264, 150 frames at 50/1 (the demo.s length)' <<<"$good")"

# Each fault on a copy of the release folder: the preflight fails and says which rule.
fault() {  # fault NAME EXPECTED_LINE SETUP...
  local name=$1 expected=$2
  shift 2
  rm -rf "faulty/$name" && mkdir -p "faulty/$name" && cp -a out/neon "faulty/$name/neon"
  (cd "faulty/$name/neon" && eval "$@")
  local lines
  lines=$(preflight "faulty/$name/neon")
  check "the preflight fails $name" "$expected
exit 1" "$(grep -F -x "$expected" <<<"$lines")
$(tail -n 1 <<<"$lines")"
}
fault "a release without its .nfo" "FAIL the folder neon/ lacks neon.nfo" 'rm neon.nfo'
fault "a 100-column .nfo" "FAIL neon.nfo: line 2 is 100 columns wide (more than 80)" \
  'printf "Neon\n%0100d\n" 0 >neon.nfo'
fault "an unbundled library" \
  "FAIL the Linux viewer needs libraries that are neither in neon/lib nor the system's own: libSDL2_ttf-2.0.so.0" \
  'rm lib/libSDL2_ttf-2.0.so.0'
fault "a demo that writes a file" "FAIL it writes files: home/.audio-settings " \
  "mkdir d && cd d && unzip -q ../neon.dat && cp '$writing_audio' bass.dll && rm ../neon.dat && '$build/pack-data' ../neon.dat ."
python3 - <<'PY'
import zipfile
with zipfile.ZipFile("absolute.zip", "w") as z:
    z.writestr("neon/neon.nfo", "Neon\n")
    z.writestr("/neon/neon.dat", "")
PY
lines=$(preflight absolute.zip)
check "the preflight fails an absolute member name" "FAIL a member name that would land outside the folder: /neon/neon.dat
exit 1" "$(grep '^FAIL' <<<"$lines")
$(tail -n 1 <<<"$lines")"
finish
