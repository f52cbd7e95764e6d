#!/usr/bin/env bash
# The window as the window system shows it: on Xvfb with openbox, the titles
# X11 reports, the window within the screen, the about window's outer size,
# Enter on a focused button.
#   window-on-x11.sh PATH_TO_zekt-programmer [WIDTHxHEIGHT [QT_SCALE_FACTOR]]
# Exit 77 (skipped) when Xvfb, openbox or xdotool is missing.
set -euo pipefail
program=$(realpath "$1")
screen=${2:-1366x768}
scale=${3:-1}
for tool in Xvfb openbox xdotool xwininfo xprop xdpyinfo; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done

work=$(mktemp -d)
. "$(dirname "$0")/x11.sh"
cleanup() {
  kill "${app:-}" 2>/dev/null || true
  x11_stop
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND"' ERR
# The program runs in the locale the test was given; the X11 tools match
# Cyrillic titles only in a UTF-8 one.
program_locale=${LC_ALL:-}
export LC_ALL=C.UTF-8
x11_server "$screen"
x11_manager
# exec: $app is the program itself, so that killing it ends the window.
(cd "$work" && exec env LC_ALL="$program_locale" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR="$scale" "$program" \
  --simulate=radio.hex --journal= >app.log 2>&1) &
app=$!

fail() { echo "FAIL: $*"; exit 1; }
# A window's title as the window manager and the taskbar read it (the
# legacy WM_NAME is garbled by the toolkit in a locale that is not UTF-8).
title_of() { xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'; }
# A window by its exact title (an extended regular expression), waited for
# and framed by the window manager.
titled_now() {
  local id
  for id in $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do
    title_of "$id" | grep -Eqx -- "$1" && x11_framed "$id" && { echo $((id)); return 0; }
  done
  return 1
}
window_titled() {
  local _
  for _ in $(seq 600); do
    titled_now "$1" && return 0
    sleep 0.1
  done
  return 1
}

main_title="Программатор возимых радиостанций ЗЕКТ (Версии ПО: 4.1.0, 6.1.0 и 6.1.1)   @USB ЗЕКТ УП-7"
main=$(window_titled "$(sed 's/[().]/\\&/g' <<<"$main_title")") || fail "no main window titled as given"
[ "$(title_of "$main")" = "$main_title" ] || fail "main title: $(title_of "$main")"
read -r x y w h < <(xwininfo -id "$main" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
  /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}')
[ $((x + w)) -le "${screen%x*}" ] && [ $((y + h)) -le "${screen#*x}" ] ||
  fail "main window $w x $h at $x,$y is off a $screen screen"

# The focus starts at Конфигурация; Tab runs down the column: Выход is the seventh
# stop from there, О программе (the top) the next.
xdotool windowactivate --sync "$main"
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab Tab Return
exit_box=$(window_titled " Подтвердите выход") || fail "Enter on Выход showed no exit question"
# No minimise or maximise asked of the window manager: the Motif hints'
# functions and decorations leave them out (openbox itself still offers
# iconify on every window; it ignores that hint on purpose).
no_min_max() {
  read -r flags functions decorations < <(xprop -id "$1" _MOTIF_WM_HINTS | tr -d ',' |
    awk -F' = ' '{print $2}' | awk '{print $1, $2, $3}')
  (( (functions & 0x18) == 0 && (decorations & 0x60) == 0 && (flags & 0x3) == 0x3 )) ||
    fail "$2 asks for minimise or maximise: $(xprop -id "$1" _MOTIF_WM_HINTS)"
  ! xprop -id "$1" _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE || fail "$2 can be maximised"
}
no_min_max "$exit_box" "the exit box"
xdotool windowactivate --sync "$exit_box" key Escape
x11_wait "the exit box to close" x11_gone "$exit_box" || fail "Escape left the exit box open"
xdotool windowactivate --sync "$main"
xdotool key --delay 50 Tab KP_Enter
about=$(window_titled "USB программатор ЗЕКТ") || fail "keypad Enter on О программе showed no about window"
no_min_max "$about" "the about window"
# The frame the window manager draws around it: left, right, top, bottom.
# 612 x 316 in the window's own pixels; the window system counts device
# pixels and draws its frame unscaled, so allow for rounding. The window
# fits itself once the frame is known: a busy machine may take a moment.
about_size_right() {
  client=$(xwininfo -id "$about" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  read -r l r t b < <(xprop -id "$about" _NET_FRAME_EXTENTS | tr -d ',' | awk '{print $3, $4, $5, $6}')
  frame="$((${client%x*} + l + r))x$((${client#*x} + t + b))"
  awk -v f="$frame" -v s="$scale" 'BEGIN{split(f, d, "x"); dw = d[1] - 612 * s; dh = d[2] - 316 * s
    exit !(dw * dw <= 9 && dh * dh <= 9)}'
}
x11_wait "the about window's size" about_size_right || fail "about window: outer size $frame (client $client) at scale $scale"
echo "main $w x $h at $x,$y; about client $client, frame $frame"

# The progress window of a read: a title, no close, no minimise or maximise.
if [ "$screen" = 1366x768 ]; then
  kill "$app"
  wait "$app" 2>/dev/null || true
  cli=$(dirname "$program")/../cli/zekt-cli
  demo=$(cd "$(dirname "$0")/../../demo" && pwd)
  (cd "$work" && "$cli" --simulate radio.hex --journal '' --workdir "$demo" program \
    "$demo/demo.prg" --yes >/dev/null 2>&1)
  (cd "$work" && exec env LC_ALL="$program_locale" QT_QPA_PLATFORM=xcb "$program" --simulate=radio.hex --sim-delay=100 \
    --journal= >app.log 2>&1) &
  app=$!
  main=$(window_titled "$(sed 's/[().]/\\&/g' <<<"$main_title")") || fail "no main window again"
  xdotool windowactivate --sync "$main"
  xdotool key --delay 50 Tab Tab Tab Return # Чтение конфигурации
  prompt=$(window_titled "Чтение конфигурации") || fail "no prompt to connect the radio"
  xdotool windowactivate --sync "$prompt" key Return
  progress=$(window_titled "Чтение памяти программ\\.\\.\\.") || fail "no progress window"
  read -r _ functions decorations < <(xprop -id "$progress" _MOTIF_WM_HINTS | tr -d ',' |
    awk -F' = ' '{print $2}' | awk '{print $1, $2, $3}')
  (( (functions & 0x38) == 0 && (decorations & 0x60) == 0 )) ||
    fail "the progress window offers close, minimise or maximise: $(xprop -id "$progress" _MOTIF_WM_HINTS)"
  echo "progress window: $(xprop -id "$progress" _MOTIF_WM_HINTS)"
fi
echo "passed"
