#!/usr/bin/env bash
# The window driven from the keyboard alone on a real X server, as keys come
# from a keyboard with two layouts: Alt+letters with the Latin layout active
# and with the Russian one, Esc during a run whichever window has the focus,
# and the focus back in the window that opened a box.
#   keyboard-x11.sh PATH_TO_zekt-programmer DEMO_DIR
# Exit 77 (skipped) when Xvfb, openbox, xdotool or setxkbmap is missing.
set -euo pipefail
program=$(realpath "$1")
for tool in Xvfb openbox xdotool xprop setxkbmap; do
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
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND"; cat "$work/app.log" 2>/dev/null' ERR
windows() { local id; for id in $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do echo "  $id: $(title_of "$id")"; done; }
fail() { { echo "FAIL: $*"; windows; cat "$work/app.log"; } >&2; exit 1; }
cp -r "$2/WORK" "$work/"
program_locale=${LC_ALL:-}
export LC_ALL=C.UTF-8 XDG_DATA_HOME="$work/xdg" XDG_CONFIG_HOME="$work/config"
x11_server 1366x768
x11_manager
# Two layouts, the Latin one active, as on a workshop's PC after a reboot.
setxkbmap -layout us,ru
(cd "$work" && exec env LC_ALL="$program_locale" QT_QPA_PLATFORM=xcb "$program" \
  --simulate=radio.hex --sim-delay=16 --journal=journal.csv --radio-number=ask >app.log 2>&1) &
app=$!

title_of() { xprop -id "$1" -notype _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME = "\(.*\)"$/\1/p'; }
# The program's windows titled so (an extended regular expression), framed.
titled() {
  local id
  for id in $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do
    title_of "$id" | grep -Eqx -- "$1" && x11_framed "$id" && echo $((id))
  done
  return 0
}
wait_titled() { # TITLE: the one window so titled, waited for
  local _ ids
  for _ in $(seq 600); do
    ids=$(titled "$1")
    [ -n "$ids" ] && { [ "$(wc -w <<<"$ids")" = 1 ] || fail "two windows titled '$1'"; echo "$ids"; return 0; }
    sleep 0.1
  done
  fail "no window titled '$1'"
}
wait_gone() { local _; for _ in $(seq 600); do x11_gone "$1" && return 0; sleep 0.1; done; fail "window $1 stays"; }
active() { xdotool getactivewindow; }
wait_active() { # WINDOW WHAT
  local _
  for _ in $(seq 100); do [ "$(active)" = "$1" ] && return 0; sleep 0.1; done
  fail "$2: the active window is '$(title_of "$(active)")'"
}
# Every window the manager lists has a name (a blank one is nameless on a taskbar).
no_nameless() { # WHEN
  local id
  for id in $(xprop -root _NET_CLIENT_LIST | grep -o '0x[0-9a-f]*'); do
    title_of "$id" | grep -q '[^ ]' || fail "$1: a window without a title"
  done
}
# Answers the box titled so with Enter, and waits until it is gone.
answer() { local box; box=$(wait_titled "$1"); wait_active "$box" "box '$1'"; xdotool key Return; wait_gone "$box"; }

main=$(wait_titled 'Программатор возимых радиостанций ЗЕКТ.*')
xdotool windowactivate --sync "$main"

# Alt+letters: Т (Тест) on its Latin key N, then under the Russian layout.
xdotool key alt+n
answer 'Тест'
wait_active "$main" "after the Latin Alt+Т"
setxkbmap -layout ru,us
xdotool key alt+Cyrillic_te
answer 'Тест'
wait_active "$main" "after the Russian Alt+Т"
sleep 0.5 # a second press would have shown its box by now
[ -z "$(titled 'Тест')" ] || fail "Alt+Т pressed the button twice"
setxkbmap -layout us,ru

# A run with radio numbers: Esc in the main window (not the progress
# window) brings the stop question; the progress window has the focus.
xdotool key alt+r # Конфигурация
xdotool key alt+g # Программирование
answer 'ВНИМАНИЕ !'
number=$(wait_titled 'Номер радиостанции')
wait_active "$number" "the number box"
xdotool type --delay 20 'R-7'
xdotool key Return
wait_gone "$number"
# The progress window, whose title is the step's: the active one, not the main window.
progress=
for _ in $(seq 100); do
  progress=$(active)
  [ "$progress" != "$main" ] && [ "$progress" != "$number" ] && break
  sleep 0.1
done
[ "$progress" != "$main" ] || fail "the main window is active during the run"
xdotool windowactivate --sync "$main"
xdotool key Escape
wait_titled 'Остановка работы' >/dev/null
no_nameless "the stop question"
answer 'Остановка работы'
answer 'Программатор ЗЕКТ'
wait_active "$main" "after the stopped run"

# The journal view: a refused field is said once, and the focus comes back
# to the journal view, not to the main window behind it.
# Again, Esc in the progress window, the active one: once the run is over
# the keys go to the main window.
xdotool key alt+g
answer 'ВНИМАНИЕ !'
number=$(wait_titled 'Номер радиостанции')
no_nameless "the second radio's number box"
xdotool type --delay 20 'R-8'
xdotool key Return
wait_gone "$number"
wait_active "$progress" "the second run"
xdotool key Escape
answer 'Остановка работы'
answer 'Программатор ЗЕКТ'
wait_active "$main" "after the second stopped run"

# The journal view: a refused field is said once, and the focus comes back
# to the journal view, not to the main window behind it.
xdotool key ctrl+j
journal=$(wait_titled 'Журнал работ')
wait_active "$journal" "the journal view"
xdotool key alt+a # Файл конфигурации
xdotool type --delay 10 "$work/missing.prg"
xdotool key Return
answer 'Программатор ЗЕКТ'
wait_active "$journal" "after the journal view's box"
sleep 0.5
[ -z "$(titled 'Программатор ЗЕКТ')" ] || fail "the refusal was said twice"
[ "$(tr -d '\r' <"$work/journal.csv" | grep -c ';cancelled;.*;R-[78];[^;]*$')" = 2 ] || fail "not one line per stopped run"

# Тест with a unit whose reply is 3 s late: the window keeps answering while
# it waits, so Esc brings the stop question then; a window frozen in the
# exchange would take the keys only after the test's own box.
kill "$app"
wait "$app" 2>/dev/null || true
(cd "$work" && exec env LC_ALL="$program_locale" QT_QPA_PLATFORM=xcb "$program" \
  --simulate=radio.hex --sim-fault=slow@1 --journal= >app.log 2>&1) &
app=$!
main=$(wait_titled 'Программатор возимых радиостанций ЗЕКТ.*')
xdotool windowactivate --sync "$main"
xdotool key alt+n # Тест
asked=
for _ in $(seq 600); do
  [ -n "$(titled 'Тест')" ] && break
  [ -n "$(titled 'Остановка работы')" ] && { asked=1; break; }
  [ "$(active)" = "$main" ] && xdotool key Escape
  sleep 0.05
done
[ -n "$asked" ] || fail "no stop question while the unit was testing"
answer 'Остановка работы'
answer 'Тест'
echo "keyboard on X11: ok"
