#!/usr/bin/env bash
# A PostgreSQL server of the tests' own in a folder, on a Unix socket only:
#   postgres.sh start DIR    initdb, start, the database zekt and its roles
#   postgres.sh stop DIR
#   postgres.sh restart DIR
#   postgres.sh freeze DIR     SIGSTOP to the server and its backends (a hung server)
#   postgres.sh thaw DIR
# Roles: zekt_admin (owner, makes the table), bench (INSERT, SELECT, as the
# README's GRANTs), reader (SELECT only), pwuser (password "secret", asked).
# The server runs as an unprivileged user: as root, nobody. With ZEKT_PG_TCP=1
# it also listens on 127.0.0.1 (for a program under wine, which has no Unix
# sockets) and the address it prints says so.
set -euo pipefail
action=$1
dir=$(realpath -m "$2")
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "postgres.sh: no PostgreSQL server installed"; exit 77; }
as_server() { # from / : nobody may not enter root's working folder
  if [ "$(id -u)" -eq 0 ]; then
    (cd / && runuser -u nobody -- "$@")
  else
    "$@"
  fi
}
# A port no other server here uses: on a Unix socket the folder keeps servers
# apart; on 127.0.0.1 the first free one from 54329.
free_port() {
  local p
  for p in $(seq 54329 54999); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
      echo "$p"
      return
    fi
  done
  echo 54329
}
port=54329
listen=
host=$dir
if [ "${ZEKT_PG_TCP:-}" = 1 ]; then
  listen=127.0.0.1
  host=127.0.0.1
fi
case "$action" in
start)
  [ -n "$listen" ] && port=$(free_port)
  mkdir -p "$dir"
  [ "$(id -u)" -eq 0 ] && chown nobody "$dir"
  as_server "$bin/initdb" -D "$dir/data" -U zekt_admin -A trust -E UTF8 --no-sync >"$dir/initdb.log"
  cat >"$dir/data/pg_hba.conf" <<HBA
local all pwuser scram-sha-256
local all all trust
host all all 127.0.0.1/32 trust
HBA
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-k $dir -c listen_addresses=$listen -p $port -c fsync=${ZEKT_PG_FSYNC:-off}" start >/dev/null
  psql() { command psql -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$port" "$@"; }
  psql -U zekt_admin -d postgres -c "CREATE DATABASE zekt"
  psql -U zekt_admin -d zekt <<SQL
CREATE ROLE bench LOGIN;
CREATE ROLE reader LOGIN;
CREATE ROLE pwuser LOGIN PASSWORD 'secret';
SQL
  echo "postgresql:///zekt?host=$host&port=$port"
  ;;
stop)
  as_server "$bin/pg_ctl" -D "$dir/data" -w -m fast stop >/dev/null
  ;;
freeze | thaw)
  main=$(head -1 "$dir/data/postmaster.pid")
  signal=STOP
  [ "$action" = thaw ] && signal=CONT
  pids=$main
  for stat in /proc/[0-9]*/stat; do
    read -r pid _ _ parent _ <"$stat" 2>/dev/null || continue
    [ "$parent" = "$main" ] && pids="$pids $pid"
  done
  # shellcheck disable=SC2086 # one word per process
  kill -"$signal" $pids 2>/dev/null || true
  ;;
restart)
  as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
    -o "-k $dir -c listen_addresses=$listen -p $port -c fsync=${ZEKT_PG_FSYNC:-off}" start >/dev/null
  ;;
esac
