#!/bin/sh
# The pages of `tovfileio view` as a person opens them: each page of a sample
# copied alone into an empty folder and opened from file:// in headless
# Chromium, with no network. Two screenshots, after two spans of the page's
# own (virtual) time, must show the take drawn in its colours (the neutral
# one and the left and right tints) on the canvas and moved between them;
# the page read back after the first span must show the file's name, what
# it holds, its frame rate and units and the frame. For the markers, whose
# RWRB is missing at frames 18 to 22, the gap strip must count one marker
# fewer there than elsewhere and name RWRB's gap, and the page used with the
# pointer (HOVER, beside the page) must say so on the strip, in the readout
# and on RWRB's dot; with the gap filled, the strip must count RWRB filled
# there instead. The screenshots stay in OUTDIR for a person to look at.
# Exits 77 (skipped) when Chromium is not installed.
# Usage: view_in_browser.sh TOVFILEIO MODULE SAMPLES LAUNCHER PIXELS HOVER OUTDIR
set -eu
. "$(dirname "$0")/playing_pictures.sh"
TOV=$1
export TOVFILEIO_MODULE=$2
SAMPLES=$3
LAUNCHER=$4
PIXELS=$5
HOVER=$6
OUTDIR=$7
command -v chromium >/dev/null 2>&1 || { echo "chromium is not installed"; exit 77; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export BRINDLE_REGISTRY_FILE="$WORK/settings.reg"
mkdir -p "$OUTDIR"

BACKGROUND=1b1e24  # the canvas
failed=0
fail() {
    echo "$1"
    failed=1
}
# file, what it holds, and its colours (neutral, left, right) with the
# least pixels of each
for take in "walk.htr bones f0a030:60 ff5a6e:300 9be35a:300" \
    "walk.trc markers 4da3ff:80 ff6eb4:300 3fd98a:300"; do
    set -- $take
    file=$1 kind=$2
    shift 2
    name=$(echo "$file" | tr . -)
    folder="$WORK/$name"
    mkdir "$folder"
    "$TOV" view "$SAMPLES/$file" -o "$WORK/$name.html"
    cp "$WORK/$name.html" "$folder/"
    page="file://$folder/$name.html"
    # Both spans within the shorter take (31 frames at 60 a second), so that
    # the second does not come round to the first frame again.
    echo "$file:"
    playing_pictures "$page" "$OUTDIR/view-$name" "$@" || failed=1
    bash "$LAUNCHER" --virtual-time-budget=250 --dump-dom "$page" >"$WORK/$name.dom"
    # What the file's header says it holds: NumSegments in HTR, NumMarkers
    # (the fourth value of the third line) in TRC.
    case $file in
    *.htr) count=$(tr -d '\r' <"$SAMPLES/$file" | awk '$1 == "NumSegments" { print $2 }') ;;
    *) count=$(tr -d '\r' <"$SAMPLES/$file" | awk 'NR == 3 { print $4 }') ;;
    esac
    for shown in ">$file<" "$count $kind" "60 frames/s" "units mm" 'for="slider">frame [0-9]'; do
        grep -q "$shown" "$WORK/$name.dom" || fail "the page does not show $shown"
    done
done

# The links the page finds for walk.trc are drawn, in the markers' colour
# at 45% over the background (#325a87); with --no-links that colour is
# only on the edges of dots.
echo "links of walk.trc (found, then none):"
"$TOV" view "$SAMPLES/walk.trc" --no-links -o "$WORK/walk-trc/unlinked.html"
python3 "$PIXELS" "$BACKGROUND" "$OUTDIR/view-walk-trc-250.png" "$OUTDIR/view-walk-trc-450.png" \
    325a87:700 || failed=1
playing_pictures "file://$WORK/walk-trc/unlinked.html" "$OUTDIR/view-unlinked" 325a87:\<500 ||
    failed=1

echo "gaps of walk.trc:"
dom="$WORK/walk-trc.dom"
seen=$(sed -n 's/.*data-seen="\([0-9,]*\)".*/\1/p' "$dom")
echo "markers seen at each frame: $seen"
# Frames are numbered from 1: RWRB is missing at the 18th to the 22nd. A
# count for each frame the header says the file holds.
frames=$(tr -d '\r' <"$SAMPLES/walk.trc" | awk 'NR == 3 { print $3 }')
echo "$seen" | awk -F, -v frames="$frames" '{
    for (i = 1; i <= NF; i++) if ($i > most) most = $i
    for (i = 1; i <= NF; i++) if ($i != (i >= 18 && i <= 22 ? most - 1 : most)) bad = 1
    exit NF != frames || bad }' || fail "the strip does not count RWRB missing at frames 18 to 22 alone"
grep -q 'aria-label="[^"]*RWRB missing at frames 18–22' "$dom" ||
    fail "the strip does not name RWRB's gap"

cp "$HOVER" "$WORK/walk-trc/"
bash "$LAUNCHER" --window-size=820,600 --virtual-time-budget=5000 --dump-dom \
    "file://$WORK/walk-trc/$(basename "$HOVER")?page=walk-trc.html" >"$WORK/hover.dom"
said=$(sed -n '/<pre id="said"/,/<\/pre>/p' "$WORK/hover.dom" | sed 's/<[^>]*>//g')
echo "$said"
for line in '^strip: frame 18: [0-9]* of [0-9]* markers seen | missing RWRB$' \
    '^readout: frame 18 · 0.283 s · [0-9]* of [0-9]* markers seen$' \
    '^dot: RWRB | missing at frames 18–22$'; do
    echo "$said" | grep -q "$line" || fail "the page under the pointer does not say $line"
done
if echo "$said" | grep '^dot: ' | grep -v '^dot: RWRB' | grep -q missing; then
    fail "a marker seen at every frame is said to be missing"
fi
# With the gap filled, RWRB is seen at every frame and filled at the 18th
# to the 22nd alone, which the strip names.
echo "filled gap of walk.trc:"
"$TOV" view --fill-gaps "$SAMPLES/walk.trc" -o "$WORK/walk-trc/filled.html" 2>/dev/null
bash "$LAUNCHER" --virtual-time-budget=250 --dump-dom "file://$WORK/walk-trc/filled.html" >"$WORK/filled.dom"
filled=$(sed -n 's/.*data-filled="\([0-9,]*\)".*/\1/p' "$WORK/filled.dom")
echo "markers filled at each frame: $filled"
echo "$filled" | awk -F, -v frames="$frames" '{
    for (i = 1; i <= NF; i++) if ($i != (i >= 18 && i <= 22 ? 1 : 0)) bad = 1
    exit NF != frames || bad }' || fail "the strip does not count RWRB filled at frames 18 to 22 alone"
grep -q 'aria-label="[^"]*RWRB filled 18–22 (rigid)' "$WORK/filled.dom" ||
    fail "the strip does not name RWRB's filled frames"
if grep -q 'aria-label="[^"]*missing' "$WORK/filled.dom"; then
    fail "a filled marker is said to be missing"
fi
[ "$failed" -eq 0 ] &&
    echo "the pages draw and play their takes and show the gaps; screenshots in $OUTDIR"
exit "$failed"
