#!/usr/bin/env bash
# The demo in a browser: solvane-pack --web's one-file page, opened from disk
# in headless Chromium with no network. The bundled demo's still frames equal
# the offline renderer's exactly; the dialog shows the title picture exactly,
# with its lists and button; a started demo plays (its clock the music's) and
# Escape, full screen or not, or its own end bring the dialog back; a damaged
# JPEG and a missing script log in the console what the native check logs;
# the page makes no request but for itself; a pack without the module says
# how to make it and leaves nothing.
#   PageRun.sh BUILD_DIR WEB_BUILD_DIR [--measure]
# --measure plays the bundled demo whole with music instead, and prints the
# picture's largest distance from the music's clock and the frame cost.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "$1")
web=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/../e2e/Checks.sh"
cd "$work"
started=$(date +%s%3N)
if [ ! -f "$web/solvane.wasm" ]; then
  echo "FAILED: no $web/solvane.wasm: make it with ./build-web.sh"
  exit 1
fi
pack() { "$build/solvane-pack" --web --web-build "$web" "$@"; }
json() {  # json NAME EXPRESSION: the expression over out/NAME.json's fields
  node -e 'const f = new Function("v", "with (v) return (" + process.argv[2] + ")");
           console.log(String(f(require(process.argv[1]))))' "$work/out/$1.json" "$2" 2>/dev/null
}
# put_data PAGE ROOT NEW_PAGE: the page with ROOT's files as its data, for a
# demo the pack rightly refuses.
put_data() {
  "$build/pack-data" "$work/put.zip" "$2" &&
    python3 - "$1" "$work/put.zip" "$3" <<'PY'
import base64, sys
page = open(sys.argv[1]).read()
start = page.index('id="solvane-data">') + len('id="solvane-data">')
end = page.index("</script>", start)
open(sys.argv[3], "w").write(page[:start] + base64.b64encode(open(sys.argv[2], "rb").read()).decode() + page[end:])
PY
}

pack --data "$build/solvane.dat" --name solvane --out site >pack.txt 2>&1
check "the bundled demo's page is made" "0 site/solvane.html" "$? $(ls site/*)"
page="file://$work/site/solvane.html"
mkdir out

if [ "${3:-}" = "--measure" ]; then
  node "$here/PageDriver.mjs" out "play|whole|$page|0|1|0" || exit 1
  echo "page-run: the whole demo with music: $(json whole after.frames) frames," \
       "sv_frame $(json whole 'after.frameMsMean.toFixed(3)') ms mean, $(json whole 'after.frameMsMax.toFixed(3)') ms at most;" \
       "picture behind the music's clock by $(json whole 'after.syncMaxMs.toFixed(1)') ms at most" \
       "($(json whole after.syncSamples) animation frames); the music's clock moved" \
       "$(json whole 'after.clockDriftMs.toFixed(1)') ms against the page's own"
  exit 0
fi

# Demos the pack refuses, and their pages made anyway to see what they log.
mkdir -p broken
cp -r "$build/data" broken/jpeg
printf 'RIFF' | dd of=broken/jpeg/Image/sky.jpg bs=1 conv=notrunc status=none
cp -r "$build/data" broken/script
rm broken/script/Script/Effect/Bands.txt
for demo in jpeg script; do
  pack --data "broken/$demo" --name "$demo" --out refused >"refused-$demo.txt" 2>&1
  check "the pack refuses the $demo demo, making no page" "1 solvane-pack: the demo's set-up reported errors (above); no release was made" \
    "$? $(grep -x "solvane-pack: the demo's set-up reported errors (above); no release was made" "refused-$demo.txt")$(ls refused)"
  put_data site/solvane.html "broken/$demo" "site/$demo.html"
  # The native check reads the same archive the page carries.
  "$build/solvane-render" --check --data put.zip >"native-$demo.out" 2>"native-$demo.err"
  grep -vE '^(hint|warning|solvane-render): ' "native-$demo.out" >"native-$demo.log"
done

# A short demo with its own title and banner, which ends by itself.
write_still_demo short
printf '0 - 1 Bar ;\n0 - 1 Field ;\n' >short/Script/Demo.txt
mkdir short/Image
write_banner short/Image/banner.tga banner.ppm
printf 'Banner = "Image/banner.tga" ;\n' >short/Release.txt
pack --data short --name neon --title "Neon Nights" --out site >pack-short.txt 2>&1
check "a demo with no music is packed silent" "0 yes" \
  "$? $(grep -q 'no music' pack-short.txt && echo yes)"

times="0.5 12.345 30 47.9"
steps=()
for t in $times; do
  "$build/solvane-render" --frame "$t" "native-$t.png" --data "$build/solvane.dat" >/dev/null
  steps+=("still|t$t|$page?t=$t")
done
steps+=("dialog|dialog|$page" "dialog|neon|file://$work/site/neon.html"
        "check|jpeg|file://$work/site/jpeg.html?check" "check|script|file://$work/site/script.html?check"
        "play|windowed|$page|1|1|1|twice" "play|full|$page|0|0|2" "play|end|file://$work/site/neon.html|2|1|0|enter")
node "$here/PageDriver.mjs" out "${steps[@]}"
check "the browser ran every step" 0 "$?"

for t in $times; do
  check "the page's frame at $t s is solvane-render's" 0 \
    "$(compare -metric AE "native-$t.png" "out/t$t.png" null: 2>&1)"
done

# The dialog: the title picture where the page says it is, exactly.
same_picture() {  # same_picture SHOT JSON EXPECTED
  local at
  at=$(json "$2" 'picture.slice(2).join("x")')+$(json "$2" 'picture.slice(0, 2).join("+")')
  convert "$1" -crop "$at" +repage "$work/crop.png" && compare -metric AE "$3" "$work/crop.png" null: 2>&1
}
check "the dialog shows the title picture exactly" "0" \
  "$(same_picture out/dialog.png dialog "$build/src/ui/title-picture.ppm")"
check "its caption, button and lists, the first entries chosen" \
  "Solvane|Start Solvane|Stereo*,Mono,No Sound|Full Screen*,Windowed|dialog" \
  "$(json dialog '[caption, button, sound, display, state].join("|")')"
check "a release shows its own title and banner" "Neon Nights|Start Neon Nights|Neon Nights|0" \
  "$(json neon '[caption, button, title].join("|")')|$(same_picture out/neon.png neon banner.ppm)"
check "a demo without music says it plays silent" "This demo has no music: it plays silent." "$(json neon note)"

for demo in jpeg script; do
  check "the $demo demo's page logs the native check's lines, in the console and on the page" \
    "$(cat "native-$demo.log")
--
$(grep -v '^solvane-render: ' "native-$demo.err")
--
$(cat "native-$demo.log")" "$(cat "out/$demo.txt")
--
$(cat "out/$demo.err")
--
$(cat "out/$demo.page")"
done

check "windowed: 640x480 in the page, then Escape: the dialog, the demo ended; and once more" \
  "640,480| true|solvane: the demo started (Mono, Windowed)
solvane: the demo ended (Escape)
solvane: the demo started (Mono, Windowed)
solvane: the demo ended (Escape)" \
  "$(json windowed 'playing.screen.slice(2)')|$(json windowed after.fullScreen) $(json windowed after.stageHidden)|$(grep '^solvane:' out/windowed.txt)"
check "a letter's key mark reaches the console" "1" "$(grep -cE '^[0-9]+\.[0-9]{3} : A$' out/windowed.txt)"
check "full screen with music: the picture fills the screen, Escape leaves it" \
  "stage 0,0,800,640|playing| true|solvane: the demo started (Stereo, Full Screen)
solvane: the demo ended (Escape)" \
  "$(json full playing.fullScreen) $(json full playing.screen)|$(json full stateBeforeEscape)|$(json full after.fullScreen) $(json full after.stageHidden)|$(grep '^solvane:' out/full.txt)"
check "while the music plays the picture keeps to its clock (within one 20 ms frame, counted in whole ms)" "yes" \
  "$(json full '(after.syncSamples > 10 && after.syncMaxMs <= 21) ? "yes" : after.syncMaxMs + " ms over " + after.syncSamples')"
check "Enter starts a demo, and its own end brings the dialog back" "solvane: the demo started (No Sound, Windowed)
solvane: the demo ended (its end)" "$(grep '^solvane: ' out/end.txt)"
check "no request but for the pages themselves" "" \
  "$(grep -v "^file://$work/site/[a-z]*\.html$" out/requests.txt)"

# Without the module: the command that makes it, and nothing made.
"$build/solvane-pack" --web --web-build "$work/nowhere" --data "$build/solvane.dat" --name solvane --out none >none.txt 2>&1
check "without the module the pack names the command that makes it" \
  "1 solvane-pack: no web build in $work/nowhere (solvane.wasm): make it with ./build-web.sh in the source tree, or give --web-build DIR" \
  "$? $(cat none.txt)$(ls -A none 2>/dev/null)"

echo "page-run: page $(($(stat -c %s site/solvane.html) / 1024)) KiB; dialog $(json dialog 'openedMs.toFixed(0)') ms after opening;" \
     "sv_frame $(json windowed 'after.frameMsMean.toFixed(3)') ms mean; run $(($(date +%s%3N) - started)) ms"
finish
