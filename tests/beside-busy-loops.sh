#!/usr/bin/env bash
# Runs a command beside two busy loops, as on a workshop PC that is doing
# something else: the suite must pass so (ctest -j4 on two cores).
#   tests/beside-busy-loops.sh COMMAND...
set -uo pipefail
busy() { while :; do :; done; }
busy &
first=$!
busy &
second=$!
trap 'kill $first $second 2>/dev/null' EXIT
"$@"
