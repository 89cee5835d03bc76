#!/usr/bin/env bash
# A private PostgreSQL cluster for the ODBC tests: its own data and socket
# folder, a free port, no TCP listener, trust authentication for the user
# "dulo", loaded from an SQL script.
#   pg-cluster.sh start STATE_DIR [SQL_FILE...]   prints "started" or "running"; exit 3 when the server is missing
#   pg-cluster.sh prepare STATE_DIR [SQL_FILE...]   the same, but exit 0 when the server is missing
#   pg-cluster.sh stop STATE_DIR
# STATE_DIR/env then holds PGHOST (the socket folder) and PGPORT.
# initdb refuses to run as root, so as root the server runs as "nobody".
set -euo pipefail
cmd=${1:?start or stop}
state=${2:?state folder}

bindir=""
for d in /usr/lib/postgresql/*/bin; do
  [ -x "$d/initdb" ] && [ -x "$d/pg_ctl" ] && bindir=$d
done
if [ -z "$bindir" ]; then
  echo "pg-cluster: PostgreSQL server binaries not found (Debian package postgresql); its tests are skipped" >&2
  [ "$cmd" = prepare ] && exit 0
  exit 3
fi
[ "$cmd" = prepare ] && cmd=start

as_server=()
if [ "$(id -u)" -eq 0 ]; then as_server=(runuser -u nobody --); fi

mkdir -p "$state"
exec 9>"$state/lock"
flock 9

running() {
  [ -f "$state/env" ] || return 1
  # shellcheck disable=SC1091
  . "$state/env"
  [ -d "$PGDATA" ] && "${as_server[@]}" "$bindir/pg_ctl" -D "$PGDATA" status >/dev/null 2>&1
}

case "$cmd" in
start)
  if running; then echo running; exit 0; fi
  rm -f "$state/env"
  base=$(mktemp -d /tmp/dulo-pg-XXXXXX)
  chmod 755 "$base"
  [ ${#as_server[@]} -eq 0 ] || chown nobody "$base"
  "${as_server[@]}" "$bindir/initdb" -D "$base/data" -U dulo --auth=trust -E UTF8 --locale=C >"$base/initdb.log" 2>&1 ||
    { cat "$base/initdb.log" >&2; exit 1; }
  port=""
  for p in $(shuf -i 20000-60000 -n 20); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null && [ ! -e "$base/.s.PGSQL.$p" ]; then port=$p; break; fi
  done
  [ -n "$port" ] || { echo "pg-cluster: no free port" >&2; exit 1; }
  # The server must not inherit the lock.
  "${as_server[@]}" "$bindir/pg_ctl" -D "$base/data" -w -t 60 -l "$base/server.log" 9>&- \
    -o "-k $base -p $port -c listen_addresses=" start >/dev/null ||
    { cat "$base/server.log" >&2; exit 1; }
  printf 'PGDATA=%s\nPGHOST=%s\nPGPORT=%s\nPGBASE=%s\n' "$base/data" "$base" "$port" "$base" >"$state/env"
  for sql in "${@:3}"; do
    "$bindir/psql" -X -q -v ON_ERROR_STOP=1 -h "$base" -p "$port" -U dulo -d postgres -f "$sql" >/dev/null
  done
  echo started
  ;;
stop)
  if running; then
    "${as_server[@]}" "$bindir/pg_ctl" -D "$PGDATA" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$PGBASE"
  fi
  rm -f "$state/env"
  ;;
*) echo "usage: $0 start|stop STATE_DIR [SQL_FILE...]" >&2; exit 2 ;;
esac
