#!/bin/sh
# tovfileio mnm-create at a real terminal: tmux types the answers into a
# session and reads the screen. One session picks (with a right click, Back
# and Skip) and writes the file; on the sample walk, named as the creator
# names its markers, Enter alone writes the map and --auto the same one; a
# node picked twice is refused; markers the sample lacks are said first;
# another session is stopped by Ctrl-C from the terminal and writes
# nothing. What the walk writes and how quit and Abort end it are checked
# with the answers on standard input (UtilityCommandTest).
# At a build with a line editor, a mistyped pick is brought back with Up,
# mended and taken.
# Usage: mnm_create_terminal.sh TOVFILEIO MODULE editor|plain
set -eu
TOV=$1
export TOVFILEIO_MODULE=$2
LINE_EDITOR=${3:-plain}
WORK=$(mktemp -d)
SOCKET=tov-mnm-$$
trap 'tmux -L "$SOCKET" kill-server 2>/dev/null || true; rm -rf "$WORK"' EXIT
export BRINDLE_REGISTRY_FILE="$WORK/registry.reg"

# A marker cloud of A, B, C and M0 to M29: a node for every marker, none
# named as a marker is.
names="A B C"
i=0
while [ $i -lt 30 ]; do names="$names M$i"; i=$((i + 1)); done
{
    printf 'PathFileType\t4\t(X/Y/Z)\tt.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n100\t100\t1\t33\tmm\t100\t1\t1\nFrame#\tTime'
    for n in $names; do printf '\t%s\t\t' "$n"; done
    printf '\n\t'
    i=1
    for n in $names; do printf '\tX%d\tY%d\tZ%d' $i $i $i; i=$((i + 1)); done
    printf '\n\n1\t0'
    for n in $names; do printf '\t1\t2\t3'; done
    printf '\n'
} >"$WORK/t.trc"
"$TOV" import-trc "$WORK/t.trc" --scene "$WORK/s.json" >/dev/null

# The sample walk, whose markers carry the names the creator asks for, and
# a copy named as another lab names them (no node named LFWT, LMT5, ...).
SAMPLES=$(dirname "$0")/../../../samples
"$TOV" import-trc "$SAMPLES/walk.trc" --scene "$WORK/walk.json" >/dev/null
sed '4{s/\tLFWT\t/\tLASI\t/;s/\tLBWT\t/\tLPSI\t/;s/\tRBWT\t/\tRPSI\t/;s/\tRFWT\t/\tRASI\t/;s/\tLMT5\t/\tLFM5\t/;s/\tRMT5\t/\tRFM5\t/}' \
    "$SAMPLES/walk.trc" >"$WORK/lab.trc"
"$TOV" import-trc "$WORK/lab.trc" --scene "$WORK/lab.json" >/dev/null

# Runs mnm-create in a terminal of its own on scene $SCENE with the options
# $OPTIONS and types every line of $2 (an empty line is Enter alone). The
# shell around it takes Ctrl-C with a trap of its own (not ignoring it, which
# the command would inherit), so that it outlives the command and writes
# its status.
SCENE="$WORK/s.json"
OPTIONS=
start() {
    name=$1
    tmux -L "$SOCKET" -f /dev/null new-session -d -s "$name" -x 250 -y 50 \
        "trap true INT; '$TOV' mnm-create $OPTIONS --scene '$SCENE' '$WORK/$name.mnm'; echo \$? >'$WORK/$name.status'; sleep 60"
    printf '%s\n' "$2" | while IFS= read -r line; do
        [ -z "$line" ] || tmux -L "$SOCKET" send-keys -t "$name" -l "$line"
        tmux -L "$SOCKET" send-keys -t "$name" Enter
    done
}

# Waits for the command of session $1 to end and leaves the screen in
# $WORK/$1.screen, with what scrolled off it.
finish() {
    name=$1
    i=0
    while [ ! -s "$WORK/$name.status" ]; do
        i=$((i + 1))
        if [ $i -gt 200 ]; then echo "$name: the session did not end"; exit 1; fi
        sleep 0.1
    done
    tmux -L "$SOCKET" capture-pane -p -S - -t "$name" >"$WORK/$name.screen"
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
m=0
while [ $step -lt 43 ]; do
    case $step in
        9|14|18|24|26|28|31|33|35|37|38|39|40|41|42) walk="$walk
click Skip" ;;
        *) walk="$walk
pick M$m"; m=$((m + 1)) ;;
    esac
    case $step in 10|15) walk="$walk
pick M$m"; m=$((m + 1)) ;; esac
    step=$((step + 1))
done

session made "$walk"
[ "$(cat "$WORK/made.status")" = 0 ] || { echo "made: exit $(cat "$WORK/made.status")"; cat "$WORK/made.screen"; exit 1; }
grep -q "MNM File Creation Successful" "$WORK/made.screen" || { echo "made: no success shown"; exit 1; }
[ -s "$WORK/made.mnm" ] || { echo "made: no file"; exit 1; }

# Fails with the screen of session $1 unless it ended with status $2.
ended() {
    [ "$(cat "$WORK/$1.status")" = "$2" ] || { echo "$1: exit $(cat "$WORK/$1.status")"; cat "$WORK/$1.screen"; exit 1; }
}

# The sample walk: Enter alone answers the wrist questions as the names do
# and takes every marker offered, or skips an optional one the scene lacks,
# and writes the sample's map; --auto takes the same nodes unasked, leaves
# out the optional markers the scene lacks, asks nothing, and writes the
# same map.
SCENE="$WORK/walk.json"
# Sets E to $1 empty lines, as start types them.
enters() {
    E=""
    i=1
    while [ $i -lt "$1" ]; do E="$E
"; i=$((i + 1)); done
}
enters 47
session named "$E"
ended named 0
grep -q "marker 1 of 43: Left front head marker (LFHD); Enter takes LFHD" "$WORK/named.screen" || { echo "named: no offer shown"; cat "$WORK/named.screen"; exit 1; }
cmp "$WORK/named.mnm" "$SAMPLES/walk.mnm" || { echo "named: not the sample's map"; cat "$WORK/named.mnm"; exit 1; }
OPTIONS=--auto
session auto ""
ended auto 0
! grep -q "wrist stick" "$WORK/auto.screen" || { echo "auto: asked a question the names answer"; exit 1; }
! grep -q "pick>" "$WORK/auto.screen" || { echo "auto: asked for a pick"; cat "$WORK/auto.screen"; exit 1; }
[ "$(grep -c "no node has its name; left out" "$WORK/auto.screen")" = 13 ] || { echo "auto: not 13 markers left out"; cat "$WORK/auto.screen"; exit 1; }
cmp "$WORK/named.mnm" "$WORK/auto.mnm" || { echo "auto: not the map of Enter alone"; exit 1; }
OPTIONS=

# A node picked for one marker is refused for another, with the marker
# that holds it.
session twice "


pick LFHD
quit"
ended twice 1
grep -q "LFHD is already the node of LFHD; pick another node" "$WORK/twice.screen" || { echo "twice: no refusal"; cat "$WORK/twice.screen"; exit 1; }
[ ! -e "$WORK/twice.mnm" ] || { echo "twice: a file was written"; exit 1; }

# The lab's names: the mandatory markers the scene has no node for are said
# before any question, and n abandons.
SCENE="$WORK/lab.json"
session missing "n"
ended missing 1
grep -q "no node named LFWT, LBWT, RBWT, RFWT, LMT5, RMT5" "$WORK/missing.screen" || { echo "missing: not said"; cat "$WORK/missing.screen"; exit 1; }
! grep -q "wrist stick" "$WORK/missing.screen" || { echo "missing: asked on"; exit 1; }
SCENE="$WORK/s.json"

# Waits until the screen of session $1 shows $2.
shows() {
    i=0
    until tmux -L "$SOCKET" capture-pane -p -t "$1" | grep -q "$2"; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then echo "$1: $2 not shown"; tmux -L "$SOCKET" capture-pane -p -t "$1"; exit 1; fi
        sleep 0.1
    done
}

# The line editor: Up brings back the mistyped pick, D mends it, Enter takes
# it and the walk goes on to the second marker.
if [ "$LINE_EDITOR" = editor ]; then
    SCENE="$WORK/walk.json"
    start edited "n
n
pick LFH"
    shows edited "no node LFH"
    # The editor takes keys once its prompt is drawn; keys sent before it
    # would be echoed by the terminal as typed text, as at any shell.
    i=0
    until tmux -L "$SOCKET" capture-pane -p -t edited | grep -v '^$' | tail -1 | grep -q '^pick>'; do
        i=$((i + 1))
        if [ $i -gt 100 ]; then echo "edited: no prompt after the refusal"; exit 1; fi
        sleep 0.1
    done
    tmux -L "$SOCKET" send-keys -t edited Up
    tmux -L "$SOCKET" send-keys -t edited -l D
    tmux -L "$SOCKET" send-keys -t edited Enter
    shows edited "marker 2 of 43"
    tmux -L "$SOCKET" send-keys -t edited -l quit
    tmux -L "$SOCKET" send-keys -t edited Enter
    finish edited
    ended edited 1
    ! grep -qF '^[[A' "$WORK/edited.screen" || { echo "edited: Up was typed as text"; cat "$WORK/edited.screen"; exit 1; }
    grep -q "pick> pick LFHD" "$WORK/edited.screen" || { echo "edited: the mended line not shown"; cat "$WORK/edited.screen"; exit 1; }
    SCENE="$WORK/s.json"
fi

# Ctrl-C at a pick prompt: the walk is aborted and the status is 130.
start interrupted "n
n
pick A"
shows interrupted "marker 2 of 43"
tmux -L "$SOCKET" send-keys -t interrupted C-c
finish interrupted
[ "$(cat "$WORK/interrupted.status")" = 130 ] || { echo "interrupted: exit $(cat "$WORK/interrupted.status")"; cat "$WORK/interrupted.screen"; exit 1; }
[ ! -e "$WORK/interrupted.mnm" ] || { echo "interrupted: a file was written"; exit 1; }

echo ok
