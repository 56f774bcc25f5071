#!/usr/bin/env bash
# Regenerates demo/solvane.mp3, the bundled demo's soundtrack.
#
# The MP3 is committed, so building the demo needs neither this script nor an
# encoder: the build only copies demo/solvane.mp3 to build/solvane.mp3. Run
# this after changing MakeSoundtrack.cpp: it compiles the synthesizer, renders
# the piece into a temporary WAV file and encodes it with lame (needed only
# here: apt-get install lame), then commit the new demo/solvane.mp3.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../solvane.mp3"
command -v lame >/dev/null 2>&1 || { echo "make-soundtrack.sh: lame is not installed" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
g++ -std=c++17 -O2 -Wall -Wextra -o "$work/make-soundtrack" "$here/MakeSoundtrack.cpp"
"$work/make-soundtrack" "$work/solvane.wav"
# VBR around 190 kbit/s, joint stereo, 44.1 kHz, no ID3 tag. The LAME tag
# stays: it gives players the length and the encoder delay to skip.
lame --quiet --preset standard --noreplaygain "$work/solvane.wav" "$work/solvane.mp3"
mv "$work/solvane.mp3" "$out"
echo "make-soundtrack.sh: wrote $(cd "$(dirname "$out")" && pwd)/solvane.mp3 ($(stat -c %s "$out") bytes)"
