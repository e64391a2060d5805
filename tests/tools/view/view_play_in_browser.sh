#!/bin/sh
# The page of `tovfileio view` played and saved through its controls in
# headless Chromium, each page alone in an empty folder, opened from file://.
#
# PART "page" (the default):
# - two takes overlaid (walk.htr and walk.trc) are drawn in two colour sets,
#   the first take's bones in its orange, the second's markers in its violet
#   tints; with the second hidden (#hide=1) its colours are gone;
# - a shorter take counts its markers missing only within its own frames:
#   walk.trc (40 frames, RWRB missing at 18 to 22) over a long walk (200
#   frames, all seen) has one marker with gaps, and from frame 41 on the
#   strip counts the long walk's markers alone;
# - following keeps a figure that walks 5 m large (HARNESS, ?use=follow):
#   its drawn height at least 40% of the canvas's at a spread of frames, and
#   more than twice what it is without following at the first frame;
# - the PNG button saves the canvas as it is (?use=save): a PNG file named
#   after the take and frame, of the canvas's size, every pixel the same;
#   and names on leave some out where they would overprint;
# - the keys (?use=keys) step, change the speed, set and clear the loop and
#   turn following and names on and off, and play at the speed, in the loop.
# PART "webm": the WebM button records a loop of frames 11 to 15 while the
# controls that would disturb it are disabled, and saves a video the browser
# reads back at the canvas's size. Exits 77 (skipped) when this Chromium
# cannot record a canvas.
#
# Exits 77 when Chromium is not installed. Screenshots stay in OUTDIR.
# Usage: view_play_in_browser.sh TOVFILEIO MODULE SAMPLES LAUNCHER PIXELS HARNESS OUTDIR [PART]
set -eu
TOV=$1
export TOVFILEIO_MODULE=$2
SAMPLES=$3
LAUNCHER=$4
PIXELS=$5
HARNESS=$6
OUTDIR=$7
PART=${8:-page}
command -v chromium >/dev/null 2>&1 || { echo "chromium is not installed"; exit 77; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export BRINDLE_REGISTRY_FILE="$WORK/settings.reg"
mkdir -p "$OUTDIR"

failed=0
fail() {
    echo "$1"
    failed=1
}

# `view FILES` as NAME.html, alone in a folder of its own with the harness.
page() {
    name=$1
    shift
    mkdir "$WORK/$name"
    "$TOV" view "$@" -o "$WORK/$name/$name.html"
    cp "$HARNESS" "$WORK/$name/"
}

# What the harness says of page NAME used as USE.
use() {
    bash "$LAUNCHER" --window-size=820,600 --virtual-time-budget=8000 --dump-dom \
        "file://$WORK/$1/$(basename "$HARNESS")?page=$1.html&use=$2" |
        sed -n '/<pre id="said">/,/<\/pre>/p' | sed 's/<[^>]*>//g'
}

if [ "$PART" = webm ]; then
    page walk-trc "$SAMPLES/walk.trc"
    said=$(use walk-trc webm)
    echo "$said"
    if echo "$said" | grep -q '^webm: cannot record'; then
        echo "this Chromium cannot record a canvas"
        exit 77
    fi
    for line in '^recording: play slider in png webm$' \
        '^webm: walk-frames11-15\.webm video/webm [1-9][0-9]* [1-9]' \
        '^video: \([0-9]*x[0-9]*\) canvas \1$' '^after: enabled 11–15$'; do
        echo "$said" | grep -q "$line" || fail "the recording does not show $line"
    done
    exit "$failed"
fi

# Eight markers, a head, shoulders, hips and ankles, walking 5 m along X in
# 200 frames at 60 a second, the ankles swinging; Y up.
awk 'BEGIN {
    OFS = "\t"
    n = split("LFHD RFHD LSHO RSHO LASI RASI LANK RANK", name, " ")
    split("1650 1650 1420 1420 950 950 80 80", height, " ")
    print "PathFileType", 4, "(X/Y/Z)", "long-walk.trc"
    print "DataRate", "CameraRate", "NumFrames", "NumMarkers", "Units", "OrigDataRate",
        "OrigDataStartFrame", "OrigNumFrames"
    print 60, 60, 200, n, "mm", 60, 1, 200
    names = "Frame#" OFS "Time"; axes = OFS
    for (m = 1; m <= n; m++) {
        names = names OFS name[m] OFS OFS
        axes = axes OFS "X" m OFS "Y" m OFS "Z" m
    }
    print names; print axes; print ""
    for (f = 1; f <= 200; f++) {
        row = f OFS sprintf("%.5f", (f - 1) / 60)
        for (m = 1; m <= n; m++) {
            side = m % 2 ? 1 : -1
            swing = m > 6 ? side * 250 * sin(6.2832 * f / 60) : 0
            row = row OFS sprintf("%.3f", 25 * (f - 1) + swing) OFS height[m] OFS 150 * side
        }
        print row
    }
}' >"$WORK/long-walk.trc"

echo "walk.htr and walk.trc overlaid:"
page overlay "$SAMPLES/walk.htr" "$SAMPLES/walk.trc"
BACKGROUND=1b1e24
for hidden in "" 1; do
    for span in 250 450; do
        bash "$LAUNCHER" --window-size=800,560 --virtual-time-budget=$span \
            --screenshot="$OUTDIR/overlay$hidden-$span.png" "file://$WORK/overlay/overlay.html#hide=$hidden"
    done
done
# The first take's bones orange, the second's markers violet: neutral,
# lighter on the left, darker on the right.
python3 "$PIXELS" "$BACKGROUND" "$OUTDIR/overlay-250.png" "$OUTDIR/overlay-450.png" \
    f0a030:60 b48cff:80 dcc8ff:200 8f5cf5:200 || fail "the two takes are not drawn in their colours"
echo "with the second take hidden:"
python3 "$PIXELS" "$BACKGROUND" "$OUTDIR/overlay1-250.png" "$OUTDIR/overlay1-450.png" \
    f0a030:60 'b48cff:<20' 'dcc8ff:<20' '8f5cf5:<20' || fail "the hidden take is still drawn"

echo "walk.trc over a long walk:"
page gaps "$SAMPLES/walk.trc" "$WORK/long-walk.trc"
bash "$LAUNCHER" --virtual-time-budget=250 --dump-dom "file://$WORK/gaps/gaps.html" >"$WORK/gaps.dom"
grep -q '44 markers, 1 with gaps' "$WORK/gaps.dom" || fail "markers are missing where their take has no frame"
seen=$(sed -n 's/.*data-seen="\([0-9,]*\)".*/\1/p' "$WORK/gaps.dom")
echo "markers seen at each frame: $seen"
echo "$seen" | awk -F, '{
    for (i = 1; i <= NF; i++) if ($i != (i > 40 ? 8 : i >= 18 && i <= 22 ? 43 : 44)) bad = 1
    exit NF != 200 || bad }' || fail "the strip does not count each take within its own frames"

echo "following the long walk:"
page long "$WORK/long-walk.trc"
said=$(use long follow)
echo "$said"
echo "$said" | awk '/^follow on:/ && $4 < 0.4 { exit 1 }' ||
    fail "following, the figure is drawn smaller than 40% of the canvas"
echo "$said" | awk '/^follow off: 0 / { off = $4 } /^follow on: 0 / { on = $4 } END { exit !(on > 2 * off) }' ||
    fail "following does not draw the figure twice as large as the take's framing"

echo "saving walk.trc:"
page walk-trc "$SAMPLES/walk.trc"
said=$(use walk-trc save)
echo "$said"
echo "$said" | grep -q '^png: walk-frame1\.png \([0-9]*x[0-9]*\) png 0 canvas \1$' ||
    fail "the PNG file is not the canvas's picture"
echo "$said" | grep -q '^names: [1-9][0-9]* of 36 left out$' ||
    fail "names that would overprint are not left out"

echo "keys on walk.trc:"
said=$(use walk-trc keys)
# Each key's frame, speed, loop, following and names, from frame 1 paused:
# steps wrap round the take, the speed stays within 0.25 to 2, an in point
# after the out point drops it, and F and N go either way.
cat >"$WORK/keys.expected" <<'EXPECTED'
.: frame 2, speed 1, loop none, follow off, names off
ArrowRight: frame 3, speed 1, loop none, follow off, names off
,: frame 2, speed 1, loop none, follow off, names off
ArrowLeft: frame 1, speed 1, loop none, follow off, names off
ArrowLeft: frame 40, speed 1, loop none, follow off, names off
+: frame 40, speed 1.5, loop none, follow off, names off
=: frame 40, speed 2, loop none, follow off, names off
+: frame 40, speed 2, loop none, follow off, names off
-: frame 40, speed 1.5, loop none, follow off, names off
seek 20: frame 21, speed 1.5, loop none, follow off, names off
o: frame 21, speed 1.5, loop 1–21, follow off, names off
seek 9: frame 10, speed 1.5, loop 1–21, follow off, names off
i: frame 10, speed 1.5, loop 10–21, follow off, names off
seek 30: frame 31, speed 1.5, loop 10–21, follow off, names off
i: frame 31, speed 1.5, loop 31–40, follow off, names off
seek 35: frame 36, speed 1.5, loop 31–40, follow off, names off
o: frame 36, speed 1.5, loop 31–36, follow off, names off
x: frame 36, speed 1.5, loop none, follow off, names off
f: frame 36, speed 1.5, loop none, follow on, names off
n: frame 36, speed 1.5, loop none, follow on, names on
F: frame 36, speed 1.5, loop none, follow off, names on
N: frame 36, speed 1.5, loop none, follow off, names off
EXPECTED
echo "$said" | grep -v '^played\|^looped' | diff "$WORK/keys.expected" - || fail "the keys do not do what they say"
echo "$said" | grep '^played\|^looped'
# 200 ms at 60 frames a second: 6 frames at half speed, 24 at twice.
echo "$said" | awk '/^played at 0.5:/ { slow = $4 } /^played at 2:/ { fast = $4 }
    END { exit !(slow >= 4 && slow <= 7 && fast >= 20 && fast <= 26) }' ||
    fail "the speeds do not play at half and twice the frame rate"
echo "$said" | grep -q '^looped: frame 1[1-5]$' || fail "playing leaves the loop of frames 11 to 15"

[ "$failed" -eq 0 ] && echo "the pages overlay, follow, take their keys and save as they should; screenshots in $OUTDIR"
exit "$failed"
