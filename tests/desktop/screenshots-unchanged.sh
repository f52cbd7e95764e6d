#!/usr/bin/env bash
# The documentation's pictures are what this build shows: taken again, each
# is pixel for pixel the committed one (after a change to the windows or the
# version, scripts/screenshots takes them anew).
#   screenshots-unchanged.sh ZEKT-SCREENSHOTS SOURCE-DIR
set -euo pipefail
trap 'echo "screenshots: failed at line $LINENO: $BASH_COMMAND"' ERR
tool=$1
source=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cd "$source"
tests/desktop/take-screenshots.sh "$tool" "$out" >/dev/null 2>&1 ||
  { echo "screenshots: zekt-screenshots failed"; exit 1; }
failed=0
for taken in "$out"/*.png; do
  name=$(basename "$taken")
  committed=docs/screenshots/$name
  if [ ! -f "$committed" ]; then
    echo "screenshots: $name is not in docs/screenshots"; failed=1; continue
  fi
  differ=$(compare -metric AE "$taken" "$committed" null: 2>&1) || true
  if [ "$differ" != 0 ]; then
    kept=${TMPDIR:-/tmp}/zekt-screenshot-differs-$$-$name
    cp "$taken" "$kept"
    echo "screenshots: $name differs from the committed picture in $differ pixels (taken: $kept)"
    failed=1
  fi
done
[ "$(ls "$out" | wc -l)" -ge 9 ] || { echo "screenshots: only $(ls "$out" | wc -l) pictures"; exit 1; }
[ "$failed" = 0 ] && echo "screenshots: every picture as committed"
exit "$failed"
