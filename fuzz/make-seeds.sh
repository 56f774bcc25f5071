#!/usr/bin/env bash
# Writes the seed corpora again: fuzz/make-seeds.sh [BUILD_DIR]
# fuzz-make-seeds (from the fuzz build, default build-fuzz) writes every seed
# it can make itself; the MP3, Ogg and FLAC seeds are then encoded from its WAV
# with ffmpeg. Only needed when the seeds should change: they are
# kept with the sources.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
[ -x "$build/fuzz-make-seeds" ] || { echo "make-seeds: build $build first (scripts/fuzz.sh 0)" >&2; exit 1; }
"$build/fuzz-make-seeds" fuzz
audio=fuzz/corpus/audio
ffmpeg -v error -y -i "$audio/tone.wav" -fflags +bitexact -c:a libmp3lame -b:a 8k "$audio/tone.mp3"
ffmpeg -v error -y -i "$audio/tone.wav" -fflags +bitexact -c:a libvorbis -q:a 0 "$audio/tone.ogg"
ffmpeg -v error -y -i "$audio/tone.wav" -fflags +bitexact -c:a flac "$audio/tone.flac"
echo "make-seeds: $(find fuzz/corpus -type f | wc -l) seeds in fuzz/corpus"
