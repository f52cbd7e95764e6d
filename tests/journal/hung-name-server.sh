#!/usr/bin/env bash
# Runs a command where the name server takes every question and never
# answers: in user, network and mount namespaces of its own (loopback only,
# a resolv.conf naming a listener on 127.0.0.1), so nothing leaves this
# machine. Prints the command's time in ms; the command's own output goes to stderr.
#   hung-name-server.sh COMMAND...
# Exit 77 where namespaces or python3 (the listener) are not there.
set -euo pipefail
if [ "${ZEKT_IN_NAMESPACE:-}" != 1 ]; then
  command -v python3 >/dev/null && unshare -rnm true 2>/dev/null || exit 77
  exec env ZEKT_IN_NAMESPACE=1 unshare -rnm bash "$0" "$@"
fi
ip link set lo up 2>/dev/null || true
resolv=$(mktemp)
# The system's own resolver waits 30 s for an answer: a command that gives up
# by itself ends long before, one that does not is told from it at once.
printf 'nameserver 127.0.0.1\noptions timeout:30 attempts:1\n' >"$resolv"
mount --bind "$resolv" /etc/resolv.conf
# The listener says when it is bound; the command starts only then.
exec {ready}< <(exec python3 -c "import socket, sys, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(('127.0.0.1', 53))
print('bound', flush=True)
time.sleep(3600)")
listener=$!
trap 'kill $listener 2>/dev/null; rm -f "$resolv"' EXIT
read -r bound <&"$ready" && [ "$bound" = bound ] || { echo "hung-name-server: no listener" >&2; exit 1; }
start=$(date +%s%N)
"$@" >&2 || true # its output on stderr: stdout is the time
echo $((($(date +%s%N) - start) / 1000000))
