#!/bin/sh
# The README's command blocks, run as written by a new user: each block in a
# shell of its own, in a fresh folder holding a copy of the samples, with
# fresh settings and tovfileio on the PATH. A command that fails fails the
# test, shown with what it printed. Blocks that build or install (they call
# scripts/ or cmake) are the set-up that CI itself runs.
# Usage: readme_walkthrough.sh README TOVFILEIO MODULE
set -eu
README=$1
TOV=$2
export TOVFILEIO_MODULE=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir "$WORK/bin"
ln -s "$TOV" "$WORK/bin/tovfileio"
export PATH="$WORK/bin:$PATH"
export BRINDLE_REGISTRY_FILE="$WORK/settings.reg"

# A block is a run of lines indented by four blanks, blank lines inside it
# included.
awk -v dir="$WORK" '
    /^    / { if (!open) { n++; open = 1 } print substr($0, 5) > (dir "/block-" n ".sh"); next }
    /^$/    { next }
            { open = 0 }
' "$README"

# The walkthrough runs twice in a row in one settings file, each time in a
# fresh copy of the samples: what the first run's dialogs remembered must
# not break the second. After it, a plain import (no dialog option given)
# still works: the walkthrough leaves the settings as it found them.
ran=0
for pass in 1 2; do
    rm -rf "$WORK/user" && mkdir "$WORK/user"
    cp -r "$(dirname "$README")/samples" "$WORK/user/samples"
    for block in "$WORK"/block-*.sh; do
        if grep -q 'scripts/\|cmake' "$block"; then continue; fi
        ran=$((ran + 1))
        if ! (cd "$WORK/user" && sh -e "$block") >"$WORK/output" 2>&1; then
            echo "A README block failed in run $pass:"
            cat "$block"
            echo "It printed:"
            tail -n 30 "$WORK/output"
            exit 1
        fi
    done
done
if [ "$ran" -eq 0 ]; then
    echo "no README block ran"
    exit 1
fi
if ! (cd "$WORK/user" && tovfileio import-htr samples/walk.htr --scene mine.json) >"$WORK/output" 2>&1; then
    echo "A plain import after the walkthrough failed:"
    cat "$WORK/output"
    exit 1
fi
echo "$ran README blocks ran as written, twice; a plain import after them works"
