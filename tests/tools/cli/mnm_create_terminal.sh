#!/bin/sh
# tovfileio mnm-create at a real terminal: tmux types the answers into a
# session and reads the screen. One session picks (with a right click, Back
# and Skip) and writes the file; another is stopped by Ctrl-C from the
# terminal and writes nothing. What the walk writes and how quit and Abort
# end it are checked with the answers on standard input (UtilityCommandTest).
# Usage: mnm_create_terminal.sh TOVFILEIO MODULE
set -eu
TOV=$1
export TOVFILEIO_MODULE=$2
WORK=$(mktemp -d)
SOCKET=tov-mnm-$$
trap 'tmux -L "$SOCKET" kill-server 2>/dev/null || true; rm -rf "$WORK"' EXIT
export BRINDLE_REGISTRY_FILE="$WORK/registry.reg"

printf 'PathFileType\t4\t(X/Y/Z)\tt.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n100\t100\t1\t3\tmm\t100\t1\t1\nFrame#\tTime\tA\t\t\tB\t\t\tC\t\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n\n1\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\n' >"$WORK/t.trc"
"$TOV" import-trc "$WORK/t.trc" --scene "$WORK/s.json" >/dev/null

# Runs mnm-create in a terminal of its own and types every line of $2. The
# shell around it takes Ctrl-C with a trap of its own (not ignoring it, which
# the command would inherit), so that it outlives the command and writes
# its status.
start() {
    name=$1
    tmux -L "$SOCKET" -f /dev/null new-session -d -s "$name" -x 120 -y 50 \
        "trap true INT; '$TOV' mnm-create --scene '$WORK/s.json' '$WORK/$name.mnm'; echo \$? >'$WORK/$name.status'; sleep 60"
    printf '%s\n' "$2" | while IFS= read -r line; do
        tmux -L "$SOCKET" send-keys -t "$name" -l "$line"
        tmux -L "$SOCKET" send-keys -t "$name" Enter
    done
}

# Waits for the command of session $1 to end and leaves the screen in
# $WORK/$1.screen.
finish() {
    name=$1
    i=0
    while [ ! -s "$WORK/$name.status" ]; do
        i=$((i + 1))
        if [ $i -gt 200 ]; then echo "$name: the session did not end"; exit 1; fi
        sleep 0.1
    done
    tmux -L "$SOCKET" capture-pane -p -t "$name" >"$WORK/$name.screen"
}

session() {
    start "$1" "$2"
    finish "$1"
}

walk="n
n
pick A
right-click
pick B
click Back
pick C"
step=2
while [ $step -lt 43 ]; do
    case $step in
        9|14|18|24|26|28|31|33|35|37|38|39|40|41|42) walk="$walk
click Skip" ;;
        *) walk="$walk
pick A" ;;
    esac
    case $step in 10|15) walk="$walk
pick B" ;; esac
    step=$((step + 1))
done

session made "$walk"
[ "$(cat "$WORK/made.status")" = 0 ] || { echo "made: exit $(cat "$WORK/made.status")"; cat "$WORK/made.screen"; exit 1; }
grep -q "MNM File Creation Successful" "$WORK/made.screen" || { echo "made: no success shown"; exit 1; }
[ -s "$WORK/made.mnm" ] || { echo "made: no file"; exit 1; }

# Ctrl-C at a pick prompt: the walk is aborted and the status is 130.
start interrupted "n
n
pick A"
i=0
until tmux -L "$SOCKET" capture-pane -p -t interrupted | grep -q "marker 2 of 43"; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then echo "interrupted: no second marker asked for"; exit 1; fi
    sleep 0.1
done
tmux -L "$SOCKET" send-keys -t interrupted C-c
finish interrupted
[ "$(cat "$WORK/interrupted.status")" = 130 ] || { echo "interrupted: exit $(cat "$WORK/interrupted.status")"; cat "$WORK/interrupted.screen"; exit 1; }
[ ! -e "$WORK/interrupted.mnm" ] || { echo "interrupted: a file was written"; exit 1; }

echo ok
