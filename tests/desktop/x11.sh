# The desktop the window tests run on: Xvfb, openbox and a tint2 taskbar,
# each waited for until the window system says it is there, never for a
# fixed time, so that a busy machine only makes them slower. Sourced:
#   . x11.sh
#   x11_server 1366x768       a display of its own (DISPLAY set)
#   x11_manager [OPTIONS...]  openbox, managing
#   x11_taskbar TINT2RC       tint2, its strut out of the work area
#   x11_stop                  ends what was started (call it on exit)

x11_pids=()
x11_stop() {
  [ ${#x11_pids[@]} -gt 0 ] && kill "${x11_pids[@]}" 2>/dev/null
  return 0
}

# Waits until COMMAND succeeds, or a minute has passed (then says what it
# waited for and fails).
x11_wait() { # WHAT COMMAND...
  local what=$1 _
  shift
  for _ in $(seq 600); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "x11: waited a minute for $what" >&2
  return 1
}

# Xvfb picks a free display and names it once it accepts clients.
x11_server() { # WIDTHxHEIGHT
  local fd number
  exec {fd}< <(exec Xvfb -displayfd 1 -screen 0 "${1}x24" -nolisten tcp 2>/dev/null)
  x11_pids+=($!)
  read -r number <&"$fd" || { echo "x11: Xvfb did not start" >&2; return 1; }
  exec {fd}<&-
  export DISPLAY=":$number"
  # Named once it listens; answering clients is waited for all the same.
  x11_wait "the X server $DISPLAY" xdpyinfo
}

x11_managed() { xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'; }
# openbox, started again when it ends before it manages (a display that
# refused its first connection on a loaded machine).
x11_manager() { # [OPENBOX OPTIONS...]
  local log pid _
  log=$(mktemp)
  for _ in 1 2 3; do
    openbox "$@" >"$log" 2>&1 &
    pid=$!
    x11_pids+=("$pid")
    x11_wait "openbox" x11_managed_or_gone "$pid" || break
    x11_managed && { rm -f "$log"; return 0; }
  done
  cat "$log" >&2
  rm -f "$log"
  return 1
}
x11_managed_or_gone() { x11_managed || ! kill -0 "$1" 2>/dev/null; }

# The work area's height, once a panel's strut has been taken out of it.
x11_work_height() { xprop -root _NET_WORKAREA | awk -F', ' '{print $4}'; }
x11_screen_height() { xdpyinfo | awk '/dimensions:/{split($2, d, "x"); print d[2]}'; }
x11_strut_taken() { [ "$(x11_work_height)" -lt "$(x11_screen_height)" ]; }
x11_taskbar() { # TINT2RC
  tint2 -c "$1" >/dev/null 2>&1 &
  x11_pids+=($!)
  x11_wait "the taskbar's strut" x11_strut_taken
}

# A window the manager has framed (its frame's extents are set).
x11_framed() { xprop -id "$1" _NET_FRAME_EXTENTS | grep -q '='; }
# A window gone from the manager's list.
x11_gone() { ! xprop -root _NET_CLIENT_LIST | grep -qi "$(printf '0x%x' "$1")\b"; }
