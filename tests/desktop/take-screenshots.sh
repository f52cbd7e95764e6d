#!/usr/bin/env bash
# Takes the documentation's PNG pictures with zekt-screenshots under Xvfb:
#   take-screenshots.sh ZEKT-SCREENSHOTS OUT-DIR
# the main window at start-up, with a configuration, read back and during a
# programming, the about window and a fault box (under a window manager: the
# progress window's step is its title); then the whole screen with the window
# at 1366 x 768 and 1024 x 600 beside a real 30 px taskbar (tint2, which keeps
# its strut out of the work area) and on a high-density screen at scale 2.
# Run from the source folder (the demo configuration is demo/demo.prg).
set -euo pipefail
tool=$1
out=$2
mkdir -p "$out"
work=$(mktemp -d)
. "$(dirname "$0")/x11.sh"
trap 'x11_stop; rm -rf "$work"' EXIT
# Never the user's journal or settings.
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
cat >"$work/tint2rc" <<'RC'
panel_items = T
panel_size = 100% 30
panel_position = bottom center horizontal
strut_policy = follow_size
taskbar_mode = single_desktop
task_text = 1
task_maximum_size = 220 30
RC
# Each picture set on a desktop of its own, ended before the next.
desktop() { # WIDTHxHEIGHT TASKBAR COMMAND...
  local screen=$1 taskbar=$2
  shift 2
  (
    x11_pids=()
    trap x11_stop EXIT
    x11_server "$screen"
    x11_manager
    if [ -n "$taskbar" ]; then x11_taskbar "$work/tint2rc"; fi
    QT_QPA_PLATFORM=xcb "$@"
  )
}
desktop 1400x900 "" "$tool" "$out"
shot() { # WIDTHxHEIGHT SCALE FILE [taskbar]
  desktop "$1" "${4:-}" env QT_SCALE_FACTOR="$2" "$tool" --screen "$out/$3"
}
shot 1366x768 1 main-1366x768.png taskbar
shot 1024x600 1 main-1024x600.png taskbar
shot 2732x1536 2 main-scale2.png
