#!/usr/bin/env bash
# Starts pgbouncer (Debian's, 1.18) on loopback in front of the throw-away cluster of
# scripts/pg-start.sh, in transaction pooling mode, and prints the URL that reaches it. The
# desktops' own database connections go through it: many clients, few PostgreSQL connections.
# Idempotent: a pooler already running on the port is left as it is.
#   eval "$(bash scripts/pg-start.sh)"; eval "$(bash scripts/pgbouncer-start.sh)"
#   -> exports EST_PGBOUNCER_URL (database name appended by the client)
# EST_PGBOUNCER_POOL: PostgreSQL connections the pooler may hold in all (default 20).
set -euo pipefail
pgport=${EST_PG_PORT:-54329}
port=${EST_PGBOUNCER_PORT:-64329}
pool=${EST_PGBOUNCER_POOL:-20}
clients=${EST_PGBOUNCER_CLIENTS:-4000}
dir=${EST_PGBOUNCER_DIR:-/tmp/est-pgbouncer-$port}
bin=/usr/sbin/pgbouncer
[ -x "$bin" ] || { echo "pgbouncer-start: $bin não encontrado (apt-get install pgbouncer)" >&2; exit 1; }
running() { [ -f "$dir/pgbouncer.pid" ] && kill -0 "$(cat "$dir/pgbouncer.pid")" 2>/dev/null; }
if ! running; then
  mkdir -p "$dir"
  # The test cluster trusts loopback; the pooler does the same for the users it knows: the
  # administrator and the desktops' read-only role.
  printf '"postgres" ""\n"est_leitura" ""\n' >"$dir/userlist.txt"
  cat >"$dir/pgbouncer.ini" <<EOF
[databases]
* = host=127.0.0.1 port=$pgport
[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $port
unix_socket_dir =
auth_type = trust
auth_file = $dir/userlist.txt
pool_mode = transaction
default_pool_size = $pool
max_db_connections = $pool
max_client_conn = $clients
server_idle_timeout = 60
logfile = $dir/pgbouncer.log
pidfile = $dir/pgbouncer.pid
EOF
  [ "$(id -u)" = 0 ] && chown -R postgres:postgres "$dir"
  # Every client is a descriptor: take what the system allows (set here, since runuser's
  # session would reset it; as root pgbouncer drops to postgres itself).
  ulimit -n "$(ulimit -Hn)"
  if [ "$(id -u)" = 0 ]; then "$bin" -d -u postgres "$dir/pgbouncer.ini" >/dev/null
  else "$bin" -d "$dir/pgbouncer.ini" >/dev/null; fi
  for _ in $(seq 50); do running && break; sleep 0.1; done
  running || { echo "pgbouncer-start: não subiu (veja $dir/pgbouncer.log)" >&2; exit 1; }
fi
echo "export EST_PGBOUNCER_URL=postgresql://postgres@127.0.0.1:$port"
