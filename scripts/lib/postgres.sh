# A throwaway PostgreSQL cluster for the tests. Sourced after common.sh.
#
#   pg_start TREE   initdb in a temporary folder (as the postgres user when run as root), start it
#                   on 127.0.0.1 with its own port and socket folder, load the demo budget
#                   database with TREE/demo-gen (else build/demo-gen), and export
#                     AUTHPAY_PG_CONNSTR     the owner of the demo database (may write)
#                     AUTHPAY_PG_RO_CONNSTR  a role that may only SELECT
#                     AUTHPAY_PG_LEGACY_CONNSTR  the same, on a server setting that reads
#                                            backslashes in strings as escapes
#   pg_stop         stop the cluster and remove its folder (safe to call more than once)
#
# The cluster sorts text by code point (no locale), as SQLite does, so both answer alike.

PG_DIR=""
PG_PORT=""

pg_bin() {
  local dir
  dir="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)"
  [ -n "$dir" ] || { say "no PostgreSQL server binaries in /usr/lib/postgresql"; return 1; }
  printf '%s' "$dir"
}

# Runs a command as the owner of the cluster.
pg_as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

pg_free_port() {
  local port
  for port in $(shuf -i 20000-60000 -n 50); do
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      printf '%s' "$port"
      return 0
    fi
  done
  return 1
}

pg_random_password() { head -c 12 /dev/urandom | od -An -tx1 | tr -d ' \n'; }

pg_psql() {
  local db="$1"; shift
  psql -X -q -v ON_ERROR_STOP=1 -h "$PG_DIR/sock" -p "$PG_PORT" -U postgres -d "$db" "$@"
}

pg_connstr() {  # user password
  printf 'Provider=PostgreSQL;Host=127.0.0.1;Port=%s;Initial Catalog=authpay_demo;User ID=%s;Password=%s' \
    "$PG_PORT" "$1" "$2"
}

# pg_initdb BIN DIR SUPERPW [INITDB OPTIONS...]: a new cluster in DIR/data, its socket folder in
# DIR/sock, owned by the server's user.
pg_initdb() {
  local bin="$1" dir="$2"
  mkdir -p "$dir/data" "$dir/sock" || return 1
  printf '%s\n' "$3" > "$dir/pwfile"
  [ "$(id -u)" -ne 0 ] || chown -R postgres: "$dir"
  pg_as_owner "$bin/initdb" -D "$dir/data" -U postgres --pwfile="$dir/pwfile" -E UTF8 --no-locale \
    --auth-local=trust --auth-host=scram-sha-256 "${@:4}" >"$dir/initdb.log" 2>&1 \
    || { cat "$dir/initdb.log" >&2; return 1; }
  rm -f "$dir/pwfile"
}

# pg_ctl_start BIN DIR: starts the cluster of DIR on a free loopback port (three tries, as another
# process may take the port first) and prints the port.
pg_ctl_start() {
  local bin="$1" dir="$2" port
  for _ in 1 2 3; do
    port="$(pg_free_port)" || return 1
    if pg_as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
        -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories=$dir/sock -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
        start >/dev/null; then
      printf '%s' "$port"
      return 0
    fi
  done
  cat "$dir/server.log" >&2
  return 1
}

# The cluster's folder, its socket folder within, belongs to the server's user and nobody else
# may enter it: local connections, trusted for the superuser's own scripts, are open to that user
# (and root) alone; every TCP connection proves its password (scram).
pg_init_cluster() {
  PG_DIR="$(mktemp -d /tmp/authpay-pg.XXXXXX)" || return 1
  pg_initdb "$1" "$PG_DIR" "$2" || return 1
  chmod 700 "$PG_DIR" "$PG_DIR/sock"
}

pg_start_server() { PG_PORT="$(pg_ctl_start "$1" "$PG_DIR")"; }

pg_load_demo() {
  local gen="$1" ownerpw="$2" ropw="$3"
  pg_psql postgres <<SQL || return 1
create role authpay login password '$ownerpw';
create role authpay_ro login password '$ropw';
create role authpay_legacy login password '$ropw';
alter role authpay_legacy set standard_conforming_strings = off;
create database authpay_demo owner authpay encoding 'UTF8' template template0;
SQL
  say "loading the demo budget database into PostgreSQL (port $PG_PORT)"
  ASAN_OPTIONS="detect_leaks=0" "$gen" --quiet --pg "$(pg_connstr authpay "$ownerpw")" || return 1
  pg_psql authpay_demo <<SQL || return 1
revoke create on schema public from public;
grant connect on database authpay_demo to authpay_ro, authpay_legacy;
grant usage on schema public to authpay_ro, authpay_legacy;
grant select on all tables in schema public to authpay_ro, authpay_legacy;
SQL
  pg_apply_row_scope "$ropw" "$ownerpw"
}

# pg_apply_row_scope PASSWORD OWNER_PASSWORD: the server's row scope (deploy/postgres/row-scope.sql,
# run as the owner), with two clerks: authpay_clerk_002 sees unit 002 without its secret rows,
# authpay_clerk_001 unit 001 with them; the read-only roles bypass it (BYPASSRLS). The passwords go
# into the password file AUTHPAY_PG_PGPASS (readable by its owner only), never onto a command line.
pg_apply_row_scope() {
  local pw="$1" clerkpw
  clerkpw="$(pg_random_password)"
  pg_psql authpay_demo -c 'set role authpay' -f "$ROOT/deploy/postgres/row-scope.sql" >/dev/null 2>&1 || return 1
  pg_psql authpay_demo <<SQL || return 1
create role authpay_clerk_002 login password '$clerkpw';
create role authpay_clerk_001 login password '$clerkpw';
grant connect on database authpay_demo to authpay_clerk_002, authpay_clerk_001;
grant usage on schema public to authpay_clerk_002, authpay_clerk_001;
grant select on all tables in schema public to authpay_clerk_002, authpay_clerk_001;
insert into authpay_scope values ('authpay_clerk_002', '002', false), ('authpay_clerk_001', '001', true);
alter role authpay_ro bypassrls;
alter role authpay_legacy bypassrls;
SQL
  AUTHPAY_PG_PGPASS="$PG_DIR/pgpass"
  ( umask 077
    printf '127.0.0.1:%s:authpay_demo:%s:%s\n' "$PG_PORT" authpay "$2" "$PG_PORT" authpay_ro "$pw" \
      "$PG_PORT" authpay_legacy "$pw" "$PG_PORT" authpay_clerk_002 "$clerkpw" "$PG_PORT" authpay_clerk_001 "$clerkpw" \
      >"$AUTHPAY_PG_PGPASS" )
  export AUTHPAY_PG_PGPASS
}

pg_start_inner() {
  local tree="$1" bin gen ownerpw ropw
  bin="$(pg_bin)" || return 1
  gen="$tree/demo-gen"
  [ -x "$gen" ] || gen="$ROOT/build/demo-gen"
  [ -x "$gen" ] || { say "no demo-gen in $tree or $ROOT/build"; return 1; }
  ownerpw="$(pg_random_password)"
  ropw="$(pg_random_password)"
  pg_init_cluster "$bin" "$(pg_random_password)" || return 1
  pg_start_server "$bin" || return 1
  pg_load_demo "$gen" "$ownerpw" "$ropw" || return 1
  export AUTHPAY_PG_CONNSTR AUTHPAY_PG_RO_CONNSTR AUTHPAY_PG_LEGACY_CONNSTR
  AUTHPAY_PG_CONNSTR="$(pg_connstr authpay "$ownerpw")"
  AUTHPAY_PG_RO_CONNSTR="$(pg_connstr authpay_ro "$ropw")"
  AUTHPAY_PG_LEGACY_CONNSTR="$(pg_connstr authpay_legacy "$ropw")"
}

pg_start() {
  if ! pg_start_inner "${1:-$ROOT/build}"; then
    say "the PostgreSQL test cluster could not be started"
    pg_stop
    return 1
  fi
}

pg_stop() {
  [ -n "$PG_DIR" ] || return 0
  local bin
  if bin="$(pg_bin)" && [ -f "$PG_DIR/data/postmaster.pid" ]; then
    pg_as_owner "$bin/pg_ctl" -D "$PG_DIR/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$PG_DIR"
  PG_DIR=""
  unset AUTHPAY_PG_CONNSTR AUTHPAY_PG_RO_CONNSTR
}
