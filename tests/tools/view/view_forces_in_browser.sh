#!/bin/sh
# The page of a C3D file with force platforms as a person sees it, in
# headless Chromium from file://, held through HARNESS (view-play.html) at
# two frames: one at which a platform carries more than 500 N, where the
# force must be drawn as an arrow in its colour (and the page count it),
# and one at which no platform carries 10 N, where no arrow may be drawn.
# The caption must give the arrows' scale. The screenshots stay in OUTDIR.
# Exits 77 (skipped) without Chromium or the corpus file.
# Usage: view_forces_in_browser.sh TOVFILEIO MODULE CORPUS LAUNCHER PIXELS HARNESS OUTDIR
set -eu
. "$(dirname "$0")/browser_work.sh"
TOV=$1
export TOVFILEIO_MODULE=$2
CORPUS=$3 LAUNCHER=$4 PIXELS=$5 HARNESS=$6 OUTDIR=$7
FILE="$CORPUS/c3d/ezc3d-system-b.c3d"
BACKGROUND=1b1e24 # the canvas
FORCE=ff3b30      # player.js's FORCE
[ -f "$FILE" ] || { echo "no corpus file $FILE"; exit 77; }
browser_work

"$TOV" view "$FILE" -o "$WORK/plates.html"
cp "$HARNESS" "$WORK/"
# The middle one of the frames at which some platform carries more than
# 500 N, and the first at which none carries 10 N, from the page's own take.
frames=$(python3 - "$WORK/plates.html" <<'PY'
import base64, json, math, struct, sys
html = open(sys.argv[1], encoding="utf-8").read()
start = html.index('id="take">') + len('id="take">')
take = json.loads(html[start:html.index("</script", start)])
plates = take["plates"]
raw = base64.b64decode(plates["samples"])
samples = struct.unpack("<%df" % (len(raw) // 4), raw)
count = len(plates["corners"])
def most(frame):
    return max(math.hypot(*samples[(frame * count + p) * 6:(frame * count + p) * 6 + 3]) for p in range(count))
loaded = [f for f in range(take["frameCount"]) if most(f) > 500]
unloaded = [f for f in range(take["frameCount"]) if most(f) < 10]
print(loaded[len(loaded) // 2] if loaded else -1, unloaded[0] if unloaded else -1)
PY
)
set -- $frames
loaded=$1 unloaded=$2
echo "a platform loaded at page frame $loaded, none at $unloaded"
[ "$loaded" -ge 0 ] && [ "$unloaded" -ge 0 ] || { echo "the take has no loaded and unloaded frames"; exit 1; }

# pixels PNG: how many pixels of the canvas are in the force colour.
pixels() {
    python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import take_pixels as t
print(len(t.take_pixels(sys.argv[2], t.colour(sys.argv[3]), t.colour(sys.argv[4]))))' \
        "$(dirname "$PIXELS")" "$1" "$BACKGROUND" "$FORCE"
}
# name, page frame, the arrows the page may count (a pattern), the least
# pixels of the arrows' colour (0: none but a few smoothed edges).
for case in "loaded $loaded [1-9] 150" "unloaded $unloaded 0 0"; do
    set -- $case
    name=$1 at=$2 arrows=$3 least=$4
    page="file://$WORK/$(basename "$HARNESS")?page=plates.html&use=frame&at=$at"
    bash "$LAUNCHER" --window-size=820,600 --virtual-time-budget=3000 --screenshot="$OUTDIR/view-forces-$name.png" "$page"
    said=$(harness_says "$page" 3000)
    echo "$said"
    echo "$said" | grep -q "^arrows: $arrows$" || fail "frame $at ($name): the page does not count $arrows arrows"
    echo "$said" | grep -q "force: 1 m = 1000 N" || fail "the caption does not give the arrows' scale"
    found=$(pixels "$OUTDIR/view-forces-$name.png")
    echo "$name: $found pixels of #$FORCE"
    if [ "$least" -gt 0 ] && [ "$found" -lt "$least" ]; then
        fail "frame $at ($name): fewer than $least pixels of the arrow's colour"
    elif [ "$least" -eq 0 ] && [ "$found" -gt 10 ]; then
        fail "frame $at ($name): an arrow is drawn where no platform is loaded"
    fi
done
[ "$failed" -eq 0 ] && echo "the page draws the platforms' forces; screenshots in $OUTDIR"
exit "$failed"
