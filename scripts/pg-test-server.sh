#!/usr/bin/env bash
# A private PostgreSQL server for one test run: a fresh cluster in a temporary folder,
# reachable only through a Unix socket in that folder (no TCP port), durability switched off
# for speed. Run as root it runs the server as the unprivileged user "postgres" (or "nobody").
#   pg-test-server.sh start DIR   prints the server's address (postgresql://...) on success
#   pg-test-server.sh start DIR PORT   also listens on 127.0.0.1:PORT and prints that address
#                                 (for the Windows programs under wine, which have no Unix socket)
#   pg-test-server.sh stop DIR    stops it and removes DIR
set -euo pipefail
cmd=${1:?start or stop}
dir=${2:?folder}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "PostgreSQL server binaries not found" >&2; exit 1; }

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    local owner=postgres
    id "$owner" >/dev/null 2>&1 || owner=nobody
    runuser -u "$owner" -- "$@"
  else
    "$@"
  fi
}

case "$cmd" in
start)
  mkdir -p "$dir"
  if [ "$(id -u)" -eq 0 ]; then
    owner=postgres; id "$owner" >/dev/null 2>&1 || owner=nobody
    chown "$owner" "$dir"
  fi
  chmod 755 "$dir"
  as_owner "$bin/initdb" -D "$dir/data" -U meravel --auth=trust -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; exit 1; }
  port=${3:-}
  listen="-c listen_addresses=''"
  [ -n "$port" ] && listen="-c listen_addresses='127.0.0.1' -c port=$port"
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "$listen -c unix_socket_directories='$dir' -c unix_socket_permissions=0777 -c fsync=off -c synchronous_commit=off -c full_page_writes=off -c max_connections=200" \
    start >/dev/null || { cat "$dir/server.log" >&2; exit 1; }
  if [ -n "$port" ]; then
    echo "postgresql://meravel@127.0.0.1:$port/postgres"
  else
    echo "postgresql://meravel@/postgres?host=$dir"
  fi
  ;;
stop)
  if [ -d "$dir/data" ]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
  ;;
*) echo "start or stop" >&2; exit 2 ;;
esac
