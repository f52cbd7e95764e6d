#!/usr/bin/env bash
# Two simulated units at once under ThreadSanitizer: programming, reading
# and verifying, a stop signal in the middle of a round and a second one
# right after it. Any report fails. Needs the tsan preset's zekt-cli:
#   cmake --preset tsan && cmake --build --preset tsan
#   tests/threads/two-units.sh build/tsan/cli/zekt-cli demo
set -euo pipefail
trap 'echo "two-units: failed at line $LINENO: $BASH_COMMAND"' ERR
cli=$(realpath "$1")
demo=$(realpath "$2")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" HOME="$work"
export TSAN_OPTIONS="halt_on_error=0 report_signal_unsafe=0 suppressions=$here/tsan.supp"
cp "$demo/demo.prg" a.prg
units=(--simulate a.hex --simulate b.hex --workdir "$demo" --all-units)
reports=0

# The reports a run left in NAME.err, said and counted.
count() {
  local found
  found=$(grep -c 'WARNING: ThreadSanitizer' "$1.err" || true)
  echo "two-units: $1: $found reports"
  if [ "$found" -gt 0 ]; then
    grep -A30 'WARNING: ThreadSanitizer' "$1.err" | head -60
  fi
  reports=$((reports + found))
}

# A command whose exit status is its own business.
run() {
  local name=$1
  shift
  "$cli" "${units[@]}" "$@" > "$name.out" 2> "$name.err" || true
  count "$name"
}

# Programming stopped by SIGTERM once both units are well in it, and (after
# the gap, when given) by a second one; the journal says cancelled.
stopped() {
  local name=$1 gap=$2 sent
  "$cli" "${units[@]}" --sim-delay 3 --trace "$name.trace" program a.prg --yes \
    > "$name.out" 2> "$name.err" &
  local pid=$!
  for (( ; ; )); do
    sent=$(grep -c 'TX 80' "$name.trace" 2> /dev/null || true)
    [ "${sent:-0}" -lt 200 ] || break
    kill -0 "$pid"
    sleep 0.05
  done
  kill -TERM "$pid"
  if [ -n "$gap" ]; then
    sleep "$gap"
    kill -TERM "$pid" 2> /dev/null || true
  fi
  wait "$pid" || true
  count "$name"
  grep -q ';cancelled;' "$XDG_DATA_HOME/zekt-programmer/journal.csv"
}

run program program a.prg --yes
run read read --yes
run verify verify a.prg --yes
stopped stop ""
stopped insist 0.01
[ "$reports" -eq 0 ]
echo "two-units: no report"
