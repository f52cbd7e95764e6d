#!/usr/bin/env bash
# A series of radios whose journal's disk fills up and is freed again: every
# record lands in the journal exactly once, each loss in between is said
# when it happens, and records still unkept at the end are listed with exit
# status 4. The data folder is a small tmpfs in a mount namespace of the
# test's own (root only: skipped otherwise).
#   full-disk.sh PATH_TO_zekt-cli DEMO_FOLDER
set -euo pipefail
trap 'echo "full-disk: failed at line $LINENO: $BASH_COMMAND"' ERR
cli=$(realpath "$1")
demo=$(realpath "$2")
if [ "$(id -u)" != 0 ] || ! unshare -m true 2>/dev/null; then
  echo "full-disk: needs root for a tmpfs of its own: skipped"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ZEKT_CLI="$cli" ZEKT_DEMO="$demo" WORK="$work"

# One series in the namespace: RADIOS_FULL radios while the disk is full,
# then (unless KEEP_FULL) the disk freed and two more radios.
series() {
  unshare -m --propagation private bash -euo pipefail -c '
    trap "echo \"full-disk: the series failed at line \$LINENO: \$BASH_COMMAND\"; cat err" ERR
    mkdir -p "$WORK/data"
    mount -t tmpfs -o size=256k tmpfs "$WORK/data"
    cd "$WORK"
    export XDG_DATA_HOME="$WORK/data" XDG_CONFIG_HOME="$WORK/config" HOME="$WORK"
    cp "$ZEKT_DEMO/demo.prg" a.prg
    rm -f answers err
    mkfifo answers
    "$ZEKT_CLI" --simulate radio.hex --workdir "$ZEKT_DEMO" program a.prg --repeat \
      < answers > out 2> err &
    pid=$!
    exec 3> answers
    # The next radio once the question after the n-th one shows.
    asked() {
      until [ "$(grep -c "Программировать следующее устройство" err)" -ge "$1" ]; do
        kill -0 "$pid"
        sleep 0.05
      done
    }
    asked 1
    dd if=/dev/zero of="$WORK/data/filler" bs=4k 2> /dev/null || true # the disk full
    n=1
    for _ in $(seq "$RADIOS_FULL"); do
      echo >&3
      n=$((n + 1))
      asked "$n"
    done
    if [ -z "${KEEP_FULL:-}" ]; then
      rm "$WORK/data/filler"
      for _ in 1 2; do
        echo >&3
        n=$((n + 1))
        asked "$n"
      done
    fi
    echo n >&3
    status=0
    wait "$pid" || status=$?
    echo "$status" > status
    cp "$WORK/data/zekt-programmer/journal.csv" journal.csv 2> /dev/null || : > journal.csv
    echo "$n" > radios
  '
}

check() {
  local radios status lines lost saved listed
  radios=$(cat "$work/radios")
  status=$(cat "$work/status")
  lines=$(($(grep -c ';program;ok;' "$work/journal.csv" || true)))
  lost=$(($(grep -c 'ждёт в памяти программы' "$work/err" || true)))
  saved=$({ grep -o 'сохранены в журнале: [0-9]*' "$work/err" || true; } |
    awk '{s += $NF} END {print s + 0}')
  listed=$(($(grep -c '^  20.* program ok' "$work/err" || true)))
  echo "full-disk: radios $radios, status $status, journal lines $lines, losses said $lost," \
    "saved later $saved, listed unkept $listed"
  [ "$lost" -ge 1 ] # the full disk was felt
  [ "$lines" -eq $((radios - listed)) ] # each kept record once
  [ "$saved" -eq $((lost - listed)) ]   # each loss said once, each saved one counted
  [ "$status" -eq "$1" ] || { echo "full-disk: status $status, not $1"; cat "$work/err"; false; }
  [ "$2" = any ] || [ "$listed" -eq "$2" ]
}

RADIOS_FULL=12 series
check 0 0
RADIOS_FULL=12 KEEP_FULL=1 series
check 4 any
[ "$(grep -c '^  20.* program ok' "$work/err")" -ge 1 ]
grep -q 'не сохранены ни в журнале' "$work/err"
echo "full-disk: passed"
