#!/usr/bin/env bash
# zekt-programmer's own options in both forms, its start folder, and a stop
# signal: what a desktop entry, a script or a logout hands the window.
set -euo pipefail
program=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trap 'echo "window-options: failed at line $LINENO: $BASH_COMMAND"' ERR
# A start folder of the test's own: what a run of the program left in the
# checkout's demo/ (its radio.hex, a journal) changes nothing here.
demo="$work/demo"
mkdir -p "$demo" && cp -r "$2/WORK" "$2/demo.prg" "$demo/"
cd "$work"
export QT_QPA_PLATFORM=offscreen XDG_DATA_HOME="$work/xdg" XDG_CONFIG_HOME="$work/config"

expect() { # status, then the program's arguments
  local want=$1 got=0
  shift
  timeout 60 "$program" "$@" >out.txt 2>err.txt || got=$?
  if [ "$got" != "$want" ]; then
    echo "window-options: '$*' ended with $got, not $want"; cat err.txt; exit 1
  fi
}
expect 0 --simulate=radio.hex --workdir "$demo" --sim-delay 5 --journal j.csv --exit-when-shown
grep -qx shown out.txt
[ -f radio.hex ] && [ ! -e "$demo/radio.hex" ] # named before the start folder changed
expect 0 --simulate=radio.hex --workdir="$demo" --sim-delay=0 --journal= --exit-when-shown
# As zekt-cli takes them: the radio file after a space, and faults to rehearse.
expect 0 --simulate spaced.hex --workdir "$demo" --sim-fault timeout@40 --sim-fault=SIM1:slow@2 \
  --journal= --exit-when-shown
[ -f spaced.hex ]
expect 1 --simulate --sim-fault timeout@ --journal= --exit-when-shown # as a radio file it cannot read
[ "$(wc -l <err.txt)" = 1 ] && grep -q 'timeout@' err.txt
# The files the window writes never name each other or the standard firmware.
mkdir -p start/WORK && cp "$demo/WORK/St611.hex" start/WORK/ && ln start/WORK/St611.hex hard.hex
expect 2 --simulate=j.csv --journal j.csv --exit-when-shown
grep -q 'один файл' err.txt
expect 2 --simulate=hard.hex --workdir start --journal= --exit-when-shown
expect 2 --simulate=radio.hex --workdir start --journal start/WORK/St611.hex --exit-when-shown
cmp -s start/WORK/St611.hex "$demo/WORK/St611.hex"
expect 2 --workdir "$work/absent" --exit-when-shown
grep -q 'absent' err.txt
expect 0 --help
grep -q '^Использование: zekt-programmer' out.txt # Russian, as zekt-cli's
expect 2 --frobnicate
grep -q 'неизвестный или неверный параметр --frobnicate' err.txt
[ "$(wc -l <err.txt)" -eq 2 ] && grep -q 'Подробнее: zekt-programmer --help' err.txt # one line and a pointer
expect 2 --sim-delay=99999 --exit-when-shown
expect 2 --sim-delay
expect 0 --simulate=radio.hex --usb-latency=1 --journal= --exit-when-shown
expect 2 --usb-latency 0 --exit-when-shown
expect 0 --simulate=radio.hex --unit=1 --journal= --exit-when-shown # SIM1 by its last character
expect 1 --simulate=radio.hex --unit SIM7 --journal= --exit-when-shown
grep -q 'не найдено (--unit SIM7)' err.txt
expect 1 --sim-delay=5 --exit-when-shown # the simulator's option without the simulator
grep -q 'sim-delay' err.txt
# No display to open on: said in Russian, status 2, no abort; Qt's line on
# its run-time folder is not the operator's business.
status=0
env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR timeout 60 "$program" \
  --simulate=radio.hex --journal= >out.txt 2>err.txt || status=$?
[ "$status" = 2 ] && grep -q 'окно открыть негде: нет дисплея' err.txt &&
  [ "$(wc -l <err.txt)" -eq 1 ] ||
  { echo "window-options: with no display: status $status"; cat err.txt; exit 1; }
env -u XDG_RUNTIME_DIR timeout 60 "$program" --simulate=radio.hex --journal= --exit-when-shown \
  >out.txt 2>err.txt
! grep -q XDG_RUNTIME_DIR err.txt || { echo "window-options: Qt's run-time folder line shown"; exit 1; }
# A settings line the window cannot take is said, and the window still starts.
mkdir -p config/zekt-programmer && echo "usb-latency = fast" >config/zekt-programmer/settings.conf
expect 0 --simulate=radio.hex --journal= --exit-when-shown
grep -q 'settings.conf: строка 1' err.txt

# SIGTERM to an idle window ends it as the signal asks (143), not killed:
# the simulated radio is saved on the way out.
rm -f radio.hex
"$program" --simulate=radio.hex --journal= >/dev/null 2>&1 &
pid=$!
for _ in $(seq 200); do # until it catches SIGTERM (bit 14 of the mask)
  mask=$(awk '/^SigCgt:/{print $2}' "/proc/$pid/status" 2>/dev/null || true)
  [ -n "$mask" ] && (( (16#$mask >> 14) & 1 )) && break
  sleep 0.1
done
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
[ "$status" = 143 ] || { echo "window-options: SIGTERM ended with $status"; exit 1; }
[ -s radio.hex ] || { echo "window-options: SIGTERM left no radio.hex"; exit 1; }
echo "window-options: passed"
