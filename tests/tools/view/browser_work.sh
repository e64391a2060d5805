# Sourced by the browser scripts that use a page through HARNESS
# (view-play.html). browser_work makes what they all need: it exits 77
# (skipped) without Chromium, makes $WORK, a folder removed on exit, keeps
# the host's settings in it, makes $OUTDIR and sets $failed to 0. fail
# MESSAGE says a failure and marks the run failed. harness_says URL [MS]
# gives what the harness at URL writes in its "said" block after MS (8000)
# ms of the browser's virtual time. Needs $LAUNCHER and $OUTDIR.
browser_work() {
    command -v chromium >/dev/null 2>&1 || { echo "chromium is not installed"; exit 77; }
    WORK=$(mktemp -d)
    trap 'rm -rf "$WORK"' EXIT
    export BRINDLE_REGISTRY_FILE="$WORK/settings.reg"
    mkdir -p "$OUTDIR"
    failed=0
}

fail() {
    echo "$1"
    failed=1
}

harness_says() {
    bash "$LAUNCHER" --window-size=820,600 --virtual-time-budget="${2:-8000}" --dump-dom "$1" |
        sed -n '/<pre id="said">/,/<\/pre>/p' | sed 's/<[^>]*>//g'
}
