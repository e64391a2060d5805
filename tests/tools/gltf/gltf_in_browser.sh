#!/bin/sh
# glTF files as an ordinary viewer shows them: a converted skeleton
# (samples/walk.htr, and the corpus's fight_a.htr and cmu_12_01_walk.bvh,
# whose bones of length zero have no mesh, when the corpus is there),
# a converted marker cloud (samples/walk.trc) and a scene of both written by
# `tovfileio gltf`, each opened in headless Chromium by three.js's plain
# GLTFLoader (tests/browser/gltf-view.html) and rendered at the start and the
# middle of its animation. Each picture must show the objects (a share of its
# pixels that is not background) and the two must differ, as the animation
# moves the objects. Screenshots of both pictures are left in OUTDIR.
# Exits 77 (skipped) when Chromium or three.js is not installed.
# Usage: gltf_in_browser.sh TOVFILEIO MODULE SOURCE_DIR CORPUS_DIR OUTDIR
set -eu
TOV=$1
export TOVFILEIO_MODULE=$2
SOURCE=$3
CORPUS=$4
OUT=$5
THREE="$SOURCE/build/tools/node_modules/three"
CHROMIUM="$SOURCE/tests/browser/headless-chromium"
PAGE="$SOURCE/tests/browser/gltf-view.html"

command -v chromium >/dev/null 2>&1 || { echo "chromium is not installed"; exit 77; }
[ -f "$THREE/build/three.module.js" ] || { echo "three.js is not installed in build/tools"; exit 77; }

mkdir -p "$OUT"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export BRINDLE_REGISTRY_FILE="$WORK/settings.reg"

# The result line the page reports for FILE.glb, e.g.
# "RESULT covered=0.0412 0.0398 differ=0.0061 meshes=12 duration=1.3".
view() {
    url="file://$PAGE?file=file://$1&three=file://$THREE/"
    "$CHROMIUM" --window-size=1000,420 --virtual-time-budget=30000 \
        --screenshot="$OUT/$(basename "$1" .glb).png" "$url" >/dev/null 2>&1 || true
    "$CHROMIUM" --window-size=1000,420 --virtual-time-budget=30000 --dump-dom "$url" |
        sed -n 's/.*<pre id="result">\([^<]*\)<\/pre>.*/\1/p'
}

failed=0
# NAME FILE.glb MIN_COVERED MIN_DIFFER: both pictures cover more than
# MIN_COVERED of the picture, and more than MIN_DIFFER of it differs.
check() {
    result=$(view "$2")
    echo "$1: $result"
    if ! echo "$result" | awk -v covered="$3" -v differ="$4" '
        /^RESULT/ {
            for (i = 1; i <= NF; i++) {
                if ($i ~ /^covered=/) { a = substr($i, 9); b = $(i + 1) }
                if ($i ~ /^differ=/) d = substr($i, 8)
            }
            ok = a > covered && b > covered && d > differ
        }
        END { exit ok ? 0 : 1 }'; then
        echo "  expected more than $3 of each picture covered and $4 differing"
        failed=1
    fi
}

"$TOV" convert "$SOURCE/samples/walk.htr" "$OUT/walk-htr.glb"
# Markers are 20 mm spheres: each shows as a few pixels, a dozen of them
# about 0.04% of the picture.
"$TOV" convert "$SOURCE/samples/walk.trc" "$OUT/walk-trc.glb"
"$TOV" import-htr "$SOURCE/samples/walk.htr" --scene "$WORK/both.json" --create --set-fps >/dev/null
"$TOV" import-trc "$SOURCE/samples/walk.trc" --scene "$WORK/both.json" --create --sphere \
    --size 20 >/dev/null
"$TOV" gltf "$WORK/both.json" "$OUT/walk-both.glb"

check "skeleton samples/walk.htr" "$OUT/walk-htr.glb" 0.005 0.005
check "markers samples/walk.trc" "$OUT/walk-trc.glb" 0.0002 0.0002
check "scene of both" "$OUT/walk-both.glb" 0.005 0.005
if [ -f "$CORPUS/htr/fight_a.htr" ]; then
    "$TOV" convert "$CORPUS/htr/fight_a.htr" "$OUT/fight_a.glb"
    check "skeleton corpus fight_a.htr" "$OUT/fight_a.glb" 0.005 0.005
else
    echo "corpus fight_a.htr not there: not checked"
fi
# A skeleton whose Hips and Spine1 are bones of length zero, which have no
# mesh: the loader takes the nodes without one, and the rest still shows.
if [ -f "$CORPUS/bvh/cmu_12_01_walk.bvh" ]; then
    "$TOV" convert "$CORPUS/bvh/cmu_12_01_walk.bvh" "$OUT/cmu_12_01_walk.glb"
    check "skeleton corpus cmu_12_01_walk.bvh" "$OUT/cmu_12_01_walk.glb" 0.005 0.005
else
    echo "corpus cmu_12_01_walk.bvh not there: not checked"
fi
echo "screenshots in $OUT"
exit $failed
