#!/bin/sh
# The pages of `tovfileio view` as a person opens them: each page of a sample
# copied alone into an empty folder and opened from file:// in headless
# Chromium, with no network. Two screenshots, after two spans of the page's
# own (virtual) time, must show the take drawn in its colour on the canvas
# and moved between them; the page read back after the first span must show
# the file's name, what it holds, its frame rate and units and the frame. The
# screenshots stay in OUTDIR for a person to look at. Exits 77 (skipped)
# when Chromium is not installed.
# Usage: view_in_browser.sh TOVFILEIO MODULE SAMPLES LAUNCHER PIXELS OUTDIR
set -eu
TOV=$1
export TOVFILEIO_MODULE=$2
SAMPLES=$3
LAUNCHER=$4
PIXELS=$5
OUTDIR=$6
command -v chromium >/dev/null 2>&1 || { echo "chromium is not installed"; exit 77; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export BRINDLE_REGISTRY_FILE="$WORK/settings.reg"
mkdir -p "$OUTDIR"

BACKGROUND=1b1e24  # the canvas
failed=0
# file, colour it is drawn in (bones, markers), least pixels of it, caption
for take in "walk.htr f0a030 600 21 bones" "walk.trc 4da3ff 200 36 markers"; do
    set -- $take
    file=$1 colour=$2 least=$3 counted="$4 $5"
    name=$(echo "$file" | tr . -)
    folder="$WORK/$name"
    mkdir "$folder"
    "$TOV" view "$SAMPLES/$file" -o "$WORK/$name.html"
    cp "$WORK/$name.html" "$folder/"
    page="file://$folder/$name.html"
    # Both spans within the shorter take (31 frames at 60 a second), so that
    # the second does not come round to the first frame again.
    for span in 250 450; do
        bash "$LAUNCHER" --window-size=800,560 --virtual-time-budget=$span \
            --screenshot="$OUTDIR/view-$name-$span.png" "$page"
    done
    echo "$file:"
    if ! python3 "$PIXELS" "$BACKGROUND" "$colour" "$least" \
        "$OUTDIR/view-$name-250.png" "$OUTDIR/view-$name-450.png"; then
        failed=1
    fi
    bash "$LAUNCHER" --virtual-time-budget=250 --dump-dom "$page" >"$WORK/$name.dom"
    for shown in ">$file<" "$counted" "60 frames/s" "units mm" 'for="slider">frame [0-9]'; do
        if ! grep -q "$shown" "$WORK/$name.dom"; then
            echo "the page does not show $shown"
            failed=1
        fi
    done
done
[ "$failed" -eq 0 ] && echo "the pages draw and play their takes; screenshots in $OUTDIR"
exit "$failed"
