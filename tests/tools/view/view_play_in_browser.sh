#!/bin/sh
# The pages of `tovfileio view` used through their controls in headless
# Chromium, each alone in a folder, from file://; HARNESS (view-play.html)
# opens one in a frame and says what it finds. PART "page": two takes
# overlaid in their colour sets and the second hidden (#hide=1); a shorter
# take's markers missing only within its own frames; following keeping a
# figure that walks 5 m large; PNG giving the canvas's picture captioned
# with the take's name, frame and time in a corner; names left
# out where they would overprint; the speeds and the loop. PART "webm": a
# loop recorded as video the browser reads back, skipped (77) when this
# Chromium cannot record a canvas. Exits 77 without Chromium.
# Usage: view_play_in_browser.sh TOVFILEIO MODULE SAMPLES LAUNCHER PIXELS HARNESS OUTDIR PART
set -eu
. "$(dirname "$0")/playing_pictures.sh"
. "$(dirname "$0")/browser_work.sh"
TOV=$1
export TOVFILEIO_MODULE=$2
SAMPLES=$3 LAUNCHER=$4 PIXELS=$5 HARNESS=$6 OUTDIR=$7 PART=$8
BACKGROUND=1b1e24 # the canvas
browser_work
# page NAME FILE...: the page of FILEs as NAME/NAME.html, the harness beside it.
page() {
    name=$1
    shift
    mkdir "$WORK/$name"
    "$TOV" view "$@" -o "$WORK/$name/$name.html"
    cp "$HARNESS" "$WORK/$name/"
}
# use NAME USE: what the harness says of page NAME.
use() {
    harness_says "file://$WORK/$1/$(basename "$HARNESS")?page=$1.html&use=$2"
}
# expect TEXT MESSAGE: each line of standard input, a pattern, matches a line of TEXT.
expect() {
    while IFS= read -r line; do
        echo "$1" | grep -qx -- "$line" || fail "$2: not \"$line\""
    done
}

if [ "$PART" = webm ]; then
    page walk-trc "$SAMPLES/walk.trc"
    said=$(use walk-trc webm)
    echo "$said"
    if echo "$said" | grep -q '^webm: cannot record'; then
        echo "this Chromium cannot record a canvas"
        exit 77
    fi
    expect "$said" "the recording" <<'EXPECTED'
recording: play slider in png webm
webm: walk-frames11-15.webm video/webm
clip: non-empty, EBML true
EXPECTED
    exit "$failed"
fi

echo "walk.htr and walk.trc overlaid (the first's bones orange, the second's markers violet):"
page overlay "$SAMPLES/walk.htr" "$SAMPLES/walk.trc"
playing_pictures "file://$WORK/overlay/overlay.html#hide=" "$OUTDIR/overlay" \
    f0a030:60 b48cff:80 dcc8ff:200 8f5cf5:200 || fail "the two takes are not drawn in their colours"
echo "the second hidden:"
playing_pictures "file://$WORK/overlay/overlay.html#hide=1" "$OUTDIR/overlay1" \
    f0a030:60 'b48cff:<20' 'dcc8ff:<20' '8f5cf5:<20' || fail "the hidden take is still drawn"

# Eight markers (head, shoulders, hips, swinging ankles) walking 5 m along
# X in 200 frames at 60 a second, Y up.
awk 'BEGIN {
    OFS = "\t"; n = split("LFHD RFHD LSHO RSHO LASI RASI LANK RANK", name, " ")
    split("1650 1650 1420 1420 950 950 80 80", height, " ")
    print "PathFileType", 4, "(X/Y/Z)", "long-walk.trc"
    print "DataRate", "CameraRate", "NumFrames", "NumMarkers", "Units", "OrigDataRate",
        "OrigDataStartFrame", "OrigNumFrames"
    print 60, 60, 200, n, "mm", 60, 1, 200
    for (m = 1; m <= n; m++) { names = names OFS name[m] OFS OFS; axes = axes OFS "X" m OFS "Y" m OFS "Z" m }
    print "Frame#" OFS "Time" names; print OFS axes; print ""
    for (f = 1; f <= 200; f++) {
        row = f OFS (f - 1) / 60
        for (m = 1; m <= n; m++) {
            swing = (m > 6) * (m % 2 ? 250 : -250) * sin(f / 10)
            row = row OFS 25 * (f - 1) + swing OFS height[m] OFS (m % 2 ? 150 : -150)
        }
        print row
    }
}' >"$WORK/long-walk.trc"

echo "walk.trc (RWRB missing at frames 18 to 22) over the long walk:"
page gaps "$SAMPLES/walk.trc" "$WORK/long-walk.trc"
bash "$LAUNCHER" --virtual-time-budget=250 --dump-dom "file://$WORK/gaps/gaps.html" >"$WORK/gaps.dom"
grep -q '44 markers, 1 with gaps' "$WORK/gaps.dom" ||
    fail "markers count as missing where their take has no frame"
sed -n 's/.*data-seen="\([0-9,]*\)".*/\1/p' "$WORK/gaps.dom" | awk -F, '{
    for (i = 1; i <= NF; i++) if ($i != (i > 40 ? 8 : i >= 18 && i <= 22 ? 43 : 44)) bad = 1
    exit NF != 200 || bad }' || fail "the strip does not count each take within its own frames"

echo "the long walk followed:"
page long "$WORK/long-walk.trc"
said=$(use long follow)
echo "$said"
# Followed, the figure stays over 40% of the canvas's height, and at first
# it is twice as high as unfollowed.
echo "$said" | awk '/^follow on:/ && $4 < 0.4 { low = 1 }
    /^follow off: 0 / { off = $4 } /^follow on: 0 / { on = $4 }
    END { exit low || on < 2 * off }' || fail "following does not keep the figure large"

echo "walk.trc saved, named and played:"
page walk-trc "$SAMPLES/walk.trc"
said=$(use walk-trc save; use walk-trc play)
# The saved picture kept for a look, its data left out of what is shown.
echo "$said" | sed -n 's/^picture: data:image\/png;base64,//p' | base64 -d >"$OUTDIR/view-saved-walk-frame1.png"
said=$(echo "$said" | grep -v '^picture: ')
echo "$said"
# The picture is the canvas's, with its caption in the lower left corner
# and nothing else changed. 200 ms at 60 frames a second: 6 frames at half
# speed, 24 at twice.
expect "$said" "walk.trc" <<'EXPECTED'
png: walk-frame1.png \([0-9]*x[0-9]*\) canvas \1
caption: [1-9][0-9][0-9][0-9]* pixels in the lower left, 0 elsewhere
names: [1-9][0-9]* of 36 markers left out
played at 0.5: [4-7]
played at 2: 2[0-6]
looped: frame 1[1-5]
EXPECTED
exit "$failed"
