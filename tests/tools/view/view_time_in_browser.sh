#!/bin/sh
# The readout of `tovfileio view` pages as a person reads it, in headless
# Chromium through HARNESS (view-play.html): at a frame well into the take,
# the frame as the file numbers it and its time as the file gives it, the
# expected values taken from the file itself (a TRC file's Frame# and Time
# columns; a C3D header's first frame and rate, from 0 s). And the line of
# takes of an overlay, which says how takes of different frame rates are
# aligned and says nothing of takes of one rate played by frame number.
# Exits 77 (skipped) without Chromium or the corpus files.
# Usage: view_time_in_browser.sh TOVFILEIO MODULE SAMPLES CORPUS LAUNCHER HARNESS OUTDIR
set -eu
. "$(dirname "$0")/browser_work.sh"
TOV=$1
export TOVFILEIO_MODULE=$2
SAMPLES=$3 CORPUS=$4 LAUNCHER=$5 HARNESS=$6 OUTDIR=$7
NIMBLE="$CORPUS/trc/nimble-tiziana_markers.trc" # its Time column starts at 1.615 s
GAIT="$CORPUS/trc/Gait.trc"                     # 100 frames/s, against the samples' 60
C3D="$CORPUS/c3d/ezc3d-system-b.c3d"            # frames 705 to 1044 at 200 frames/s
for file in "$NIMBLE" "$GAIT" "$C3D"; do
    [ -f "$file" ] || { echo "no corpus file $file"; exit 77; }
done
browser_work
cp "$HARNESS" "$WORK/"

# page NAME FILE...: the page of FILEs as NAME.html beside the harness.
page() {
    name=$1
    shift
    "$TOV" view "$@" -o "$WORK/$name.html" 2>/dev/null
}
# said NAME INDEX: what the harness says of page NAME held at page frame INDEX.
said() {
    harness_says "file://$WORK/$(basename "$HARNESS")?page=$1.html&use=frame&at=$2" 3000
}

# trc_readout FILE INDEX: the readout of frame INDEX (from 0) of a TRC
# file's data rows, from its own Frame# and Time columns.
trc_readout() {
    awk -F'\t' -v index_="$2" 'NR > 5 && $1 ~ /^[0-9]+$/ && n++ == index_ {
        printf "frame %d \302\267 %.3f s\n", $1, $2; exit }' "$1"
}
# c3d_readout FILE INDEX: the same of a C3D file, from its header's first
# frame and frame rate (a file written on an Intel processor).
c3d_readout() {
    python3 - "$1" "$2" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read(512)
first, = struct.unpack("<H", data[6:8])
rate, = struct.unpack("<f", data[20:24])
index = int(sys.argv[2])
print("frame %d \u00b7 %.3f s" % (first + index, index / rate))
PY
}

echo "the readout at a frame well into each take:"
# name, page frame, the readout the file gives, the file
while IFS='|' read -r name index kind file; do
    page "$name" "$file"
    expected=$("${kind}_readout" "$file" "$index")
    readout=$(said "$name" "$index" | sed -n 's/^readout: //p')
    echo "$name at $index: $readout (the file: $expected)"
    case "$readout" in
    "$expected"*) ;;
    *) fail "$name: the readout at page frame $index is not \"$expected\"" ;;
    esac
done <<CASES
walk|18|trc|$SAMPLES/walk.trc
nimble|100|trc|$NIMBLE
c3d|330|c3d|$C3D
CASES

echo "the line of takes of an overlay:"
# name, how the line says the takes are aligned ("-": it says nothing), the
# files and options
while IFS='|' read -r name aligned args; do
    # shellcheck disable=SC2086
    page "$name" $args
    takes=$(said "$name" 0 | sed -n 's/^takes: //p')
    echo "$name: $takes"
    said_aligned=$(echo "$takes" | sed -n 's/.*\(aligned by .*\)/\1/p')
    [ "$said_aligned" = "${aligned#-}" ] || fail "$name: the line of takes does not say \"$aligned\""
done <<CASES
rates-differ|aligned by time: 60 Hz and 100 Hz|$SAMPLES/walk.trc $GAIT
frame-asked|aligned by frame number: 60 Hz and 100 Hz|$SAMPLES/walk.trc $GAIT --align frame
time-asked|aligned by time|$SAMPLES/walk.trc $SAMPLES/walk.htr --align time
one-rate|-|$SAMPLES/walk.trc $SAMPLES/walk.htr
CASES
[ "$failed" -eq 0 ] && echo "the readout and the takes' alignment are the files'"
exit "$failed"
