#!/usr/bin/env bash
# The window's fit on a desktop with a 30 px taskbar (openbox keeps the
# margin out of the work area, as a panel's strut does): the window and its
# real frame within the work area, only the expected scroll bars, and no
# resize seen after the first paint.
#   window-fit-x11.sh PATH_TO_zekt-programmer WIDTHxHEIGHT SCROLLBARS ("", "v" or "hv")
# Exit 77 (skipped) when Xvfb or openbox is missing.
set -euo pipefail
program=$(realpath "$1")
screen=$2
expected=${3:-}
for tool in Xvfb openbox xdpyinfo xprop; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
work=$(mktemp -d)
. "$(dirname "$0")/x11.sh"
cleanup() {
  x11_stop
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND"' ERR
cat >"$work/rc.xml" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <margins><top>0</top><bottom>30</bottom><left>0</left><right>0</right></margins>
</openbox_config>
XML
x11_server "$screen"
x11_manager --config-file "$work/rc.xml"
x11_wait "openbox's margin" x11_strut_taken
# The report is what counts; a sanitizer build's exit status may speak of
# the system's libraries (libdbus keeps a buffer to the end).
report=$( (cd "$work" && QT_QPA_PLATFORM=xcb "$program" --simulate=radio.hex --journal= \
  --exit-when-shown 2>/dev/null || true) | grep '^fitted' || true)
echo "$screen with a 30 px taskbar: $report"
read -r _ _ _ frame _ _ _ refit _ scroll <<<"$report"
read -r fw fh fx fy < <(tr 'x+' '  ' <<<"$frame")
[ $((fx + fw)) -le "${screen%x*}" ] && [ $((fy + fh)) -le $((${screen#*x} - 30)) ] ||
  { echo "FAIL: the framed window $frame leaves the work area"; exit 1; }
[ "${scroll:-}" = "$expected" ] || { echo "FAIL: scroll bars '${scroll:-}', not '$expected'"; exit 1; }
[ "${refit:-}" != after-paint ] || { echo "FAIL: the window was resized after its first paint"; exit 1; }
echo "passed"
