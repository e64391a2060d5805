# Sourced by the browser scripts. playing_pictures URL PREFIX COLOURS...
# screenshots the page at URL after 250 and 450 ms of its own (virtual)
# time into PREFIX-250.png and PREFIX-450.png and checks them with $PIXELS
# against the canvas colour $BACKGROUND and COLOURS (see take_pixels.py).
# On a loaded machine Chromium's virtual clock can run out before the
# page's clock starts, leaving both pictures at the first frame, so the
# pair is taken again, up to three times, before the take is said not to
# move. Needs $LAUNCHER, $PIXELS and $BACKGROUND.
playing_pictures() {
    url=$1 prefix=$2
    shift 2
    for attempt in 1 2 3; do
        for span in 250 450; do
            bash "$LAUNCHER" --window-size=800,560 --virtual-time-budget=$span \
                --screenshot="$prefix-$span.png" "$url"
        done
        python3 "$PIXELS" "$BACKGROUND" "$prefix-250.png" "$prefix-450.png" "$@" && return 0
        [ "$attempt" -lt 3 ] && echo "(pictures taken again)"
    done
    return 1
}
