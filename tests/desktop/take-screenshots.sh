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
trap 'rm -rf "$work"' EXIT
# Never the user's journal or settings.
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config"
xvfb-run -a -s "-screen 0 1400x900x24" bash -c \
  'openbox >/dev/null 2>&1 & sleep 0.5
   QT_QPA_PLATFORM=xcb "$1" "$2"' _ "$tool" "$out"
cat >"$work/tint2rc" <<'RC'
panel_items = T
panel_size = 100% 30
panel_position = bottom center horizontal
strut_policy = follow_size
taskbar_mode = single_desktop
task_text = 1
task_maximum_size = 220 30
RC
shot() { # WIDTHxHEIGHT SCALE FILE [taskbar]
  xvfb-run -a -s "-screen 0 ${1}x24" bash -c \
    'openbox >/dev/null 2>&1 & sleep 0.5
     if [ -n "$5" ]; then tint2 -c "$4" >/dev/null 2>&1 & sleep 1; fi
     QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$1 "$2" --screen "$3"' \
    _ "$2" "$tool" "$out/$3" "$work/tint2rc" "${4:-}"
}
shot 1366x768 1 main-1366x768.png taskbar
shot 1024x600 1 main-1024x600.png taskbar
shot 2732x1536 2 main-scale2.png
