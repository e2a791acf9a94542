#!/usr/bin/env bash
# Starts a throw-away PostgreSQL 15 cluster on loopback for tests and benchmarks and prints
# the URL to reach it. Usage: eval "$(scripts/pg-start.sh)"  -> exports EST_TEST_PG_URL
set -euo pipefail
port=${EST_PG_PORT:-54329}
dir=${EST_PG_DIR:-/tmp/est-pg-$port}
bin=/usr/lib/postgresql/15/bin
run() { if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }
if ! run "$bin/pg_ctl" -D "$dir" status >/dev/null 2>&1; then
  if [ ! -f "$dir/PG_VERSION" ]; then
    mkdir -p "$dir"
    [ "$(id -u)" = 0 ] && chown postgres:postgres "$dir"
    run "$bin/initdb" -D "$dir" -U postgres -A trust -E UTF8 --locale=C.UTF-8 >/dev/null
  fi
  run "$bin/pg_ctl" -D "$dir" -l "$dir/server.log" -w \
    -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$dir -c max_connections=200 -c fsync=off" start >/dev/null
fi
echo "export EST_TEST_PG_URL=postgresql://postgres@127.0.0.1:$port/postgres"
