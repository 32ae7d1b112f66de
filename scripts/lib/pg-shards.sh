# The demo budget database spread over PostgreSQL clusters on loopback: two shards (or four, with
# SHARDS_COUNT=4) that each hold some of the budget rows, and a coordinator that the module connects
# to and that reads the rows from the shards through postgres_fdw. Sourced after common.sh (it brings in postgres.sh's
# helpers itself when they are not loaded yet).
#
#   shards_start TREE [ROWS]  initdb the clusters in one temporary folder (as the postgres user
#                             when run as root), each started on 127.0.0.1 with its own port, data
#                             and socket folder; load ROWS budget rows (default 20000) with
#                             TREE/demo-gen (else build/demo-gen), split them between the shards
#                             by unit code, build the coordinator, and export
#                               AUTHPAY_SHARD_CONNSTR     the coordinator, as the demo database's
#                                                         owner, with "Shard Unit Level=2" (the
#                                                         module then sums on the shards)
#                               AUTHPAY_SHARD_RO_CONNSTR  the coordinator, as a role that may only
#                                                         SELECT
#   shards_stop_one N         stop shard N (1 to SHARDS_COUNT) and leave the others running
#   shards_stop               stop every cluster and remove the folder (safe to call more than once)
#   shards_psql NAME DB ...   psql as the superuser on the cluster NAME (coord, shard1, shard2, ...)
#   shards_port NAME          the TCP port of the cluster NAME
#
# The split: SHARDS_SPLITS, the unit codes (of up to six digits, ascending) where the next shard
# begins. Two shards part at SHARDS_SPLIT (default 006: shard1 holds the departments 001 to 005,
# about 52% of the demo rows, shard2 the rest); four at 003 005 008 (about 24%, 22%, 24% and 30%).
# Every shard holds the
# whole demo schema: the code tables, its own BusiBudgetAdj rows and the views, so each shard
# answers vwBudgetAdj for its own rows by itself. A check constraint keeps the other shard's units
# out of a shard's BusiBudgetAdj. postgres_fdw reads a shard through a cursor, for which the
# planner would prefer plans that give the first rows soon (a walk along the unit code index
# instead of a scan and a hash of the groups, four times slower on the whole); the shards'
# cursor_tuple_fraction is 1, as postgres_fdw always reads a cursor to its end.
#
# The coordinator holds the code tables (the same rows as the shards), DemoInfo and vwbudgetitem
# as local tables and views, a foreign server for each shard, shard1, shard2, ... (async_capable, so that both
# shards work at once; a large fetch_size; a connect timeout; fdw_tuple_cost raised so that the
# planner counts the rows it would fetch and prefers the shards' sums) and
#   BusiBudgetAdj      partitioned by range of eid; its partitions BusiBudgetAdj_shard1 and
#                      BusiBudgetAdj_shard2 ... are foreign tables on the shards' BusiBudgetAdj
#   vwBudgetAdj        the budget rows with the names of their codes: a view of vwBudgetAdj_sharded,
#                      partitioned by range of the unit code at level 2, substring(eid, 1, 6),
#                      whose partitions vwBudgetAdj_shard1, vwBudgetAdj_shard2 ... are foreign
#                      tables on the shards' own vwBudgetAdj.
# with enable_partitionwise_aggregate, enable_partitionwise_join and enable_async_append set for
# the demo database, and work_mem at 64MB: the planner counts as many groups from the shards as
# they read rows (it cannot know that the names go with the codes), and with the default 4MB it
# would rather fetch every row sorted than add up sums it expects to spill to disk. The joins with the code tables thus run on each shard beside its rows. The
# window groups units at level 2 unless told otherwise, i.e. by substring(eid, 1, 6), the
# partition key, so that sum is computed on each shard and only the sums travel. PostgreSQL hands
# a sum to a shard only when the grouping holds the partition key; told "Shard Unit Level=2", the
# module sums every other grouping in two stages, the inner one grouped by that key too, so those
# are summed on the shards as well. The clusters sort text by code point (no locale),
# as the single server does, and the partition bounds rely on that order.

declare -F pg_bin >/dev/null || source "$ROOT/scripts/lib/postgres.sh"

# Sourcing this file again keeps track of clusters already started.
SHARDS_DIR="${SHARDS_DIR:-}"
SHARDS_SPLIT="${SHARDS_SPLIT:-006}"
SHARDS_COUNT="${SHARDS_COUNT:-2}"
declare -gA SHARDS_PORTS SHARDS_RO_PASSWORDS

# The unit codes where shard 2, 3, ... begin.
shards_splits() {
  if [ -n "${SHARDS_SPLITS:-}" ]; then printf '%s' "$SHARDS_SPLITS"; return; fi
  case "$SHARDS_COUNT" in
    2) printf '%s' "$SHARDS_SPLIT" ;;
    4) printf '003 005 008' ;;
    *) return 1 ;;
  esac
}

# shards_bounds N: the lower and upper unit code of shard N ("" for none), as "LOW HIGH" with "-"
# for an open end.
shards_bounds() {
  local -a splits
  read -ra splits <<<"$(shards_splits)"
  local low="-" high="-"
  [ "$1" -gt 1 ] && low="${splits[$(($1 - 2))]}"
  [ "$1" -le "${#splits[@]}" ] && high="${splits[$(($1 - 1))]}"
  printf '%s %s' "$low" "$high"
}

# shards_range N: the rows of shard N, as an SQL condition on eid.
shards_range() {
  local low high
  read -r low high <<<"$(shards_bounds "$1")"
  if [ "$low" = - ]; then printf "eid < '%s'" "$high"
  elif [ "$high" = - ]; then printf "eid >= '%s'" "$low"
  else printf "eid >= '%s' and eid < '%s'" "$low" "$high"
  fi
}

# shards_partition_bound N: shard N's partition bound.
shards_partition_bound() {
  local low high
  read -r low high <<<"$(shards_bounds "$1")"
  [ "$low" = - ] && low=minvalue || low="'$low'"
  [ "$high" = - ] && high=maxvalue || high="'$high'"
  printf 'from (%s) to (%s)' "$low" "$high"
}

shards_port() { printf '%s' "${SHARDS_PORTS[$1]:-}"; }

shards_psql() {
  local name="$1" db="$2"; shift 2
  psql -X -q -v ON_ERROR_STOP=1 -h "$SHARDS_DIR/$name/sock" -p "${SHARDS_PORTS[$name]}" -U postgres -d "$db" "$@"
}

shards_connstr() {  # name user password
  printf 'Provider=PostgreSQL;Host=127.0.0.1;Port=%s;Initial Catalog=authpay_demo;User ID=%s;Password=%s' \
    "${SHARDS_PORTS[$1]}" "$2" "$3"
}

# initdb and start one cluster in $SHARDS_DIR/NAME on a free port.
shards_start_cluster() {
  local bin="$1" name="$2" dir="$SHARDS_DIR/$2" port
  pg_initdb "$bin" "$dir" "$(pg_random_password)" --no-sync || return 1
  chmod 700 "$dir" "$dir/sock"  # the socket is the server user's (and root's) alone
  port="$(pg_ctl_start "$bin" "$dir")" || return 1
  SHARDS_PORTS[$name]="$port"
}

# The owner and the read-only role, and the empty demo database, on one cluster.
shards_create_db() {
  local name="$1" ownerpw="$2" ropw="$3"
  shards_psql "$name" postgres <<SQL
create role authpay login password '$ownerpw';
create role authpay_ro login password '$ropw';
create database authpay_demo owner authpay encoding 'UTF8' template template0;
SQL
}

shards_grant_read() {
  shards_psql "$1" authpay_demo <<SQL
revoke create on schema public from public;
grant connect on database authpay_demo to authpay_ro;
grant usage on schema public to authpay_ro;
grant select on all tables in schema public to authpay_ro;
SQL
}

# shard1 gets every row from demo-gen, the other shards the empty schema; the rows of their units
# then move over with COPY.
shards_load() {
  local gen="$1" rows="$2" ownerpw="$3" i name ports=""
  for i in $(seq 1 "$SHARDS_COUNT"); do ports+="${ports:+, }${SHARDS_PORTS[shard$i]}"; done
  say "loading $rows demo budget rows into $SHARDS_COUNT shards (ports $ports)"
  ASAN_OPTIONS="detect_leaks=0" "$gen" --quiet --rows "$rows" --pg "$(shards_connstr shard1 authpay "$ownerpw")" || return 1
  for i in $(seq 2 "$SHARDS_COUNT") coord; do
    [ "$i" = coord ] && name=coord || name="shard$i"
    ASAN_OPTIONS="detect_leaks=0" "$gen" --quiet --rows 0 --pg "$(shards_connstr "$name" authpay "$ownerpw")" || return 1
  done
  for i in $(seq 2 "$SHARDS_COUNT"); do
    shards_psql shard1 authpay_demo -c "\\copy (select * from BusiBudgetAdj where $(shards_range "$i")) to stdout" \
      | shards_psql "shard$i" authpay_demo -c "\\copy BusiBudgetAdj from stdin" || return 1
  done
  shards_psql shard1 authpay_demo -c "delete from BusiBudgetAdj where not ($(shards_range 1))" || return 1
  # The coordinator trusts every shard to hold only the units of its partition (it reads a shard
  # whole), so a shard refuses rows of other units.
  for i in $(seq 1 "$SHARDS_COUNT"); do
    shards_psql "shard$i" authpay_demo <<SQL || return 1
alter table BusiBudgetAdj add constraint busibudgetadj_shard_units check ($(shards_range "$i"));
update DemoInfo set value = (select count(*) from BusiBudgetAdj)::text where name = 'rows';
alter database authpay_demo set cursor_tuple_fraction = 1;
vacuum analyze BusiBudgetAdj;
SQL
  done
  shards_psql coord authpay_demo -c "update DemoInfo set value = '$rows' where name = 'rows'"
}

# The foreign servers, the partitioned tables on top of them, and the planner settings.
# The shards' passwords are in a password file of the coordinator's server user, readable by it
# alone, and named by each foreign server: no role of the coordinator can read them (a password
# in a user mapping for public is shown to every role in pg_user_mappings). The superuser marks
# the mapping as one that needs no password of its own; the shards still ask for one (scram).
shards_build_coordinator() {
  local fdw="" i foreign="" analyzed="" passfile="$SHARDS_DIR/coord/shards.pgpass"
  ( umask 077
    for i in $(seq 1 "$SHARDS_COUNT"); do
      printf '127.0.0.1:%s:authpay_demo:authpay_ro:%s\n' "${SHARDS_PORTS[shard$i]}" "${SHARDS_RO_PASSWORDS[shard$i]}"
    done >"$passfile" )
  [ "$(id -u)" -ne 0 ] || chown postgres: "$passfile"
  for i in $(seq 1 "$SHARDS_COUNT"); do
    fdw+="create server shard$i foreign data wrapper postgres_fdw options (host '127.0.0.1', port '${SHARDS_PORTS[shard$i]}', dbname 'authpay_demo', async_capable 'true', fetch_size '10000', fdw_tuple_cost '0.2', connect_timeout '10', passfile '$passfile');
create user mapping for public server shard$i options (user 'authpay_ro', password_required 'false');
grant usage on foreign server shard$i to authpay;
"
  done
  shards_psql coord authpay_demo <<SQL || return 1
create extension postgres_fdw;
$fdw
SQL
  for i in $(seq 1 "$SHARDS_COUNT"); do
    foreign+="create foreign table BusiBudgetAdj_shard$i partition of BusiBudgetAdj for values $(shards_partition_bound "$i")
  server shard$i options (schema_name 'public', table_name 'busibudgetadj');
create foreign table vwBudgetAdj_shard$i partition of vwBudgetAdj_sharded for values $(shards_partition_bound "$i")
  server shard$i options (schema_name 'public', table_name 'vwbudgetadj');
"
    analyzed+="${analyzed:+, }BusiBudgetAdj_shard$i, vwBudgetAdj_shard$i"
  done
  # The columns come from the tables and views demo-gen created, so they stay as it writes them.
  shards_psql coord authpay_demo <<SQL || return 1
set role authpay;
begin;
alter table BusiBudgetAdj rename to BusiBudgetAdj_demo;
create table BusiBudgetAdj (like BusiBudgetAdj_demo including defaults) partition by range (eid);
create table vwBudgetAdj_sharded (like vwBudgetAdj) partition by range (substring(eid, 1, 6));
drop view vwBudgetAdj;
drop table BusiBudgetAdj_demo;
$foreign
create view vwBudgetAdj as select * from vwBudgetAdj_sharded;
commit;
reset role;
alter database authpay_demo set enable_partitionwise_aggregate = on;
alter database authpay_demo set enable_partitionwise_join = on;
alter database authpay_demo set enable_async_append = on;
alter database authpay_demo set work_mem = '64MB';
analyze;
analyze $analyzed;
SQL
}

# The server's row scope on the coordinator (deploy/postgres/row-scope.sql), whose policies hold
# for the rows the shards send: the clerk authpay_clerk_002 sees unit 002 without its secret rows;
# the read-only role bypasses it (its reports, and their plans, stay as they were). The clerk's
# password goes into the password file AUTHPAY_SHARD_PGPASS (readable by its owner only).
shards_row_scope() {
  local pw
  pw="$(pg_random_password)"
  shards_psql coord authpay_demo -c 'set role authpay' -f "$ROOT/deploy/postgres/row-scope.sql" >/dev/null 2>&1 || return 1
  shards_psql coord authpay_demo <<SQL || return 1
create role authpay_clerk_002 login password '$pw';
grant connect on database authpay_demo to authpay_clerk_002;
grant usage on schema public to authpay_clerk_002;
grant select on all tables in schema public to authpay_clerk_002;
insert into authpay_scope values ('authpay_clerk_002', '002', false);
alter role authpay_ro bypassrls;
SQL
  AUTHPAY_SHARD_PGPASS="$SHARDS_DIR/pgpass"
  ( umask 077; printf '127.0.0.1:%s:authpay_demo:authpay_clerk_002:%s\n' "${SHARDS_PORTS[coord]}" "$pw" >"$AUTHPAY_SHARD_PGPASS" )
  export AUTHPAY_SHARD_PGPASS
}

# The clusters: shard1 ... shardN, then the coordinator.
shards_names() {
  seq 1 "$SHARDS_COUNT" | sed 's/^/shard/'
  echo coord
}

shards_start_inner() {
  local tree="$1" rows="$2" bin gen ownerpw name i
  bin="$(pg_bin)" || return 1
  gen="$tree/demo-gen"
  [ -x "$gen" ] || gen="$ROOT/build/demo-gen"
  [ -x "$gen" ] || { say "no demo-gen in $tree or $ROOT/build"; return 1; }
  SHARDS_PORTS=()
  SHARDS_RO_PASSWORDS=()
  SHARDS_DIR="$(mktemp -d /tmp/authpay-shards.XXXXXX)" || return 1
  chmod 755 "$SHARDS_DIR"
  ownerpw="$(pg_random_password)"
  for name in $(shards_names); do
    shards_start_cluster "$bin" "$name" || return 1
    SHARDS_RO_PASSWORDS[$name]="$(pg_random_password)"
    shards_create_db "$name" "$ownerpw" "${SHARDS_RO_PASSWORDS[$name]}" || return 1
  done
  shards_load "$gen" "$rows" "$ownerpw" || return 1
  for i in $(seq 1 "$SHARDS_COUNT"); do shards_grant_read "shard$i" || return 1; done
  shards_build_coordinator || return 1
  shards_grant_read coord || return 1
  shards_row_scope || return 1
  export AUTHPAY_SHARD_CONNSTR AUTHPAY_SHARD_RO_CONNSTR
  # The coordinator's budget view is partitioned by the unit code at level 2: the module is told
  # so, and sums every grouping on the shards.
  AUTHPAY_SHARD_CONNSTR="$(shards_connstr coord authpay "$ownerpw");Shard Unit Level=2"
  AUTHPAY_SHARD_RO_CONNSTR="$(shards_connstr coord authpay_ro "${SHARDS_RO_PASSWORDS[coord]}");Shard Unit Level=2"
}

shards_start() {
  local rows="${2:-20000}"
  case "$rows" in ''|*[!0-9]*) say "shards_start: the row count must be a number: $rows"; return 1 ;; esac
  # Both partition keys, eid and its first six characters, split alike only at a code of up to six.
  local splits split last=""
  splits="$(shards_splits)" || { say "shards_start: SHARDS_COUNT is 2 or 4 unless SHARDS_SPLITS is given: $SHARDS_COUNT"; return 1; }
  for split in $splits; do
    case "$split" in
      ''|*[!0-9]*|???????*) say "shards_start: the splits must be unit codes of 1 to 6 digits: $splits"; return 1 ;;
    esac
    [[ -z "$last" || "$last" < "$split" ]] || { say "shards_start: the splits must ascend: $splits"; return 1; }
    last="$split"
  done
  SHARDS_COUNT=$(($(wc -w <<<"$splits") + 1))
  [ -z "$SHARDS_DIR" ] || { say "shards_start: the shards in $SHARDS_DIR are still running"; return 1; }
  if ! shards_start_inner "${1:-$ROOT/build}" "$rows"; then
    say "the sharded PostgreSQL layout could not be started"
    shards_stop
    return 1
  fi
}

shards_stop_one() {
  local name="shard$1" bin
  [ -n "${SHARDS_PORTS[$name]:-}" ] || { say "shards_stop_one: no shard $1 (1 to $SHARDS_COUNT)"; return 1; }
  [ -n "$SHARDS_DIR" ] && [ -f "$SHARDS_DIR/$name/data/postmaster.pid" ] || return 0
  bin="$(pg_bin)" || return 1
  pg_as_owner "$bin/pg_ctl" -D "$SHARDS_DIR/$name/data" -m fast -w stop >/dev/null
}

shards_stop() {
  [ -n "$SHARDS_DIR" ] || return 0
  local bin name
  if bin="$(pg_bin)"; then
    for name in "${!SHARDS_PORTS[@]}"; do
      [ -f "$SHARDS_DIR/$name/data/postmaster.pid" ] || continue
      pg_as_owner "$bin/pg_ctl" -D "$SHARDS_DIR/$name/data" -m immediate -w stop >/dev/null 2>&1 || true
    done
  fi
  rm -rf "$SHARDS_DIR"
  SHARDS_DIR=""
  SHARDS_PORTS=()
  SHARDS_RO_PASSWORDS=()
  unset AUTHPAY_SHARD_CONNSTR AUTHPAY_SHARD_RO_CONNSTR
}
