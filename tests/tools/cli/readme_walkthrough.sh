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
mkdir "$WORK/bin" "$WORK/user"
ln -s "$TOV" "$WORK/bin/tovfileio"
export PATH="$WORK/bin:$PATH"
export BRINDLE_REGISTRY_FILE="$WORK/settings.reg"
cp -r "$(dirname "$README")/samples" "$WORK/user/samples"

# A block is a run of lines indented by four blanks, blank lines inside it
# included.
awk -v dir="$WORK" '
    /^    / { if (!open) { n++; open = 1 } print substr($0, 5) > (dir "/block-" n ".sh"); next }
    /^$/    { next }
            { open = 0 }
' "$README"

ran=0
for block in "$WORK"/block-*.sh; do
    if grep -q 'scripts/\|cmake' "$block"; then continue; fi
    ran=$((ran + 1))
    if ! (cd "$WORK/user" && sh -e "$block") >"$WORK/output" 2>&1; then
        echo "A README block failed:"
        cat "$block"
        echo "It printed:"
        tail -n 30 "$WORK/output"
        exit 1
    fi
done
if [ "$ran" -eq 0 ]; then
    echo "no README block ran"
    exit 1
fi
echo "$ran README blocks ran as written"
