# The demo budget database spread over three PostgreSQL clusters on loopback: two shards that each
# hold some of the budget rows, and a coordinator that the module connects to and that reads the
# rows from the shards through postgres_fdw. Sourced after common.sh (it brings in postgres.sh's
# helpers itself when they are not loaded yet).
#
#   shards_start TREE [ROWS]  initdb three clusters in one temporary folder (as the postgres user
#                             when run as root), each started on 127.0.0.1 with its own port, data
#                             and socket folder; load ROWS budget rows (default 20000) with
#                             TREE/demo-gen (else build/demo-gen), split them between the shards
#                             by unit code, build the coordinator, and export
#                               AUTHPAY_SHARD_CONNSTR     the coordinator, as the demo database's
#                                                         owner
#                               AUTHPAY_SHARD_RO_CONNSTR  the coordinator, as a role that may only
#                                                         SELECT
#   shards_stop_one N         stop shard N (1 or 2) and leave the others running
#   shards_stop               stop every cluster and remove the folder (safe to call more than once)
#   shards_psql NAME DB ...   psql as the superuser on the cluster NAME (coord, shard1, shard2)
#   shards_port NAME          the TCP port of the cluster NAME
#
# The split: shard1 holds the units whose code sorts below SHARDS_SPLIT (default 006, i.e. the
# departments 001 to 005, about 52% of the demo rows), shard2 the rest. Every shard holds the
# whole demo schema: the code tables, its own BusiBudgetAdj rows and the views, so each shard
# answers vwBudgetAdj for its own rows by itself. A check constraint keeps the other shard's units
# out of a shard's BusiBudgetAdj.
#
# The coordinator holds the code tables (the same rows as the shards), DemoInfo and vwbudgetitem
# as local tables and views, the foreign servers shard1 and shard2 (async_capable, so that both
# shards work at once; a large fetch_size; a connect timeout; fdw_tuple_cost raised so that the
# planner counts the rows it would fetch and prefers the shards' sums) and
#   BusiBudgetAdj      partitioned by range of eid; its partitions BusiBudgetAdj_shard1 and
#                      BusiBudgetAdj_shard2 are foreign tables on the shards' BusiBudgetAdj
#   vwBudgetAdj        the budget rows with the names of their codes: a view of vwBudgetAdj_sharded,
#                      partitioned by range of the unit code at level 2, substring(eid, 1, 6),
#                      whose partitions vwBudgetAdj_shard1 and vwBudgetAdj_shard2 are foreign
#                      tables on the shards' own vwBudgetAdj.
# with enable_partitionwise_aggregate, enable_partitionwise_join and enable_async_append set for
# the demo database. The joins with the code tables thus run on each shard beside its rows. The
# window groups units at level 2 unless told otherwise, i.e. by substring(eid, 1, 6), the
# partition key, so that sum is computed on each shard and only the sums travel. PostgreSQL hands
# a sum to a shard only when the grouping holds the partition key: other groupings are filtered
# on the shards and summed on the coordinator. The clusters sort text by code point (no locale),
# as the single server does, and the partition bounds rely on that order.

declare -F pg_bin >/dev/null || source "$ROOT/scripts/lib/postgres.sh"

# Sourcing this file again keeps track of clusters already started.
SHARDS_DIR="${SHARDS_DIR:-}"
SHARDS_SPLIT="${SHARDS_SPLIT:-006}"
declare -gA SHARDS_PORTS

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

# shard1 gets every row from demo-gen, shard2 the empty schema; the rows of shard2's units then
# move over with COPY.
shards_load() {
  local gen="$1" rows="$2" ownerpw="$3" split="$SHARDS_SPLIT"
  say "loading $rows demo budget rows into two shards (ports ${SHARDS_PORTS[shard1]}, ${SHARDS_PORTS[shard2]})"
  ASAN_OPTIONS="detect_leaks=0" "$gen" --quiet --rows "$rows" --pg "$(shards_connstr shard1 authpay "$ownerpw")" || return 1
  ASAN_OPTIONS="detect_leaks=0" "$gen" --quiet --rows 0 --pg "$(shards_connstr shard2 authpay "$ownerpw")" || return 1
  ASAN_OPTIONS="detect_leaks=0" "$gen" --quiet --rows 0 --pg "$(shards_connstr coord authpay "$ownerpw")" || return 1
  shards_psql shard1 authpay_demo -c "\\copy (select * from BusiBudgetAdj where eid >= '$split') to stdout" \
    | shards_psql shard2 authpay_demo -c "\\copy BusiBudgetAdj from stdin" || return 1
  shards_psql shard1 authpay_demo -c "delete from BusiBudgetAdj where eid >= '$split'" || return 1
  # The coordinator trusts every shard to hold only the units of its partition (it reads a shard
  # whole), so a shard refuses rows of other units.
  local shard range
  for shard in shard1 shard2; do
    [ "$shard" = shard1 ] && range="eid < '$split'" || range="eid >= '$split'"
    shards_psql "$shard" authpay_demo <<SQL || return 1
alter table BusiBudgetAdj add constraint busibudgetadj_shard_units check ($range);
update DemoInfo set value = (select count(*) from BusiBudgetAdj)::text where name = 'rows';
vacuum analyze BusiBudgetAdj;
SQL
  done
  shards_psql coord authpay_demo -c "update DemoInfo set value = '$rows' where name = 'rows'"
}

# The foreign servers, the partitioned tables on top of them, and the planner settings.
shards_build_coordinator() {
  local ropw1="$1" ropw2="$2" split="$SHARDS_SPLIT" fdw=""
  local i bound
  for i in 1 2; do
    local pw; [ "$i" -eq 1 ] && pw="$ropw1" || pw="$ropw2"
    fdw+="create server shard$i foreign data wrapper postgres_fdw options (host '127.0.0.1', port '${SHARDS_PORTS[shard$i]}', dbname 'authpay_demo', async_capable 'true', fetch_size '10000', fdw_tuple_cost '0.2', connect_timeout '10');
create user mapping for public server shard$i options (user 'authpay_ro', password '$pw');
grant usage on foreign server shard$i to authpay;
"
  done
  shards_psql coord authpay_demo <<SQL || return 1
create extension postgres_fdw;
$fdw
SQL
  local partitions=""
  for i in 1 2; do
    [ "$i" -eq 1 ] && bound="from (minvalue) to ('$split')" || bound="from ('$split') to (maxvalue)"
    partitions+="create foreign table BusiBudgetAdj_shard$i partition of BusiBudgetAdj for values $bound
  server shard$i options (schema_name 'public', table_name 'busibudgetadj');
create foreign table vwBudgetAdj_shard$i partition of vwBudgetAdj_sharded for values $bound
  server shard$i options (schema_name 'public', table_name 'vwbudgetadj');
"
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
$partitions
create view vwBudgetAdj as select * from vwBudgetAdj_sharded;
commit;
reset role;
alter database authpay_demo set enable_partitionwise_aggregate = on;
alter database authpay_demo set enable_partitionwise_join = on;
alter database authpay_demo set enable_async_append = on;
analyze;
analyze BusiBudgetAdj_shard1, BusiBudgetAdj_shard2, vwBudgetAdj_shard1, vwBudgetAdj_shard2;
SQL
}

shards_start_inner() {
  local tree="$1" rows="$2" bin gen ownerpw ropw1 ropw2 ropwc name
  bin="$(pg_bin)" || return 1
  gen="$tree/demo-gen"
  [ -x "$gen" ] || gen="$ROOT/build/demo-gen"
  [ -x "$gen" ] || { say "no demo-gen in $tree or $ROOT/build"; return 1; }
  SHARDS_PORTS=()
  SHARDS_DIR="$(mktemp -d /tmp/authpay-shards.XXXXXX)" || return 1
  chmod 755 "$SHARDS_DIR"
  for name in shard1 shard2 coord; do
    shards_start_cluster "$bin" "$name" || return 1
  done
  ownerpw="$(pg_random_password)"
  ropw1="$(pg_random_password)"
  ropw2="$(pg_random_password)"
  ropwc="$(pg_random_password)"
  shards_create_db shard1 "$ownerpw" "$ropw1" || return 1
  shards_create_db shard2 "$ownerpw" "$ropw2" || return 1
  shards_create_db coord "$ownerpw" "$ropwc" || return 1
  shards_load "$gen" "$rows" "$ownerpw" || return 1
  shards_grant_read shard1 || return 1
  shards_grant_read shard2 || return 1
  shards_build_coordinator "$ropw1" "$ropw2" || return 1
  shards_grant_read coord || return 1
  export AUTHPAY_SHARD_CONNSTR AUTHPAY_SHARD_RO_CONNSTR
  AUTHPAY_SHARD_CONNSTR="$(shards_connstr coord authpay "$ownerpw")"
  AUTHPAY_SHARD_RO_CONNSTR="$(shards_connstr coord authpay_ro "$ropwc")"
}

shards_start() {
  local rows="${2:-20000}"
  case "$rows" in ''|*[!0-9]*) say "shards_start: the row count must be a number: $rows"; return 1 ;; esac
  # Both partition keys, eid and its first six characters, split alike only at a code of up to six.
  case "$SHARDS_SPLIT" in
    ''|*[!0-9]*|???????*) say "shards_start: SHARDS_SPLIT must be a unit code of 1 to 6 digits: $SHARDS_SPLIT"; return 1 ;;
  esac
  [ -z "$SHARDS_DIR" ] || { say "shards_start: the shards in $SHARDS_DIR are still running"; return 1; }
  if ! shards_start_inner "${1:-$ROOT/build}" "$rows"; then
    say "the sharded PostgreSQL layout could not be started"
    shards_stop
    return 1
  fi
}

shards_stop_one() {
  local name="shard$1" bin
  case "$1" in 1|2) ;; *) say "shards_stop_one: no shard $1 (1 or 2)"; return 1 ;; esac
  [ -n "$SHARDS_DIR" ] && [ -f "$SHARDS_DIR/$name/data/postmaster.pid" ] || return 0
  bin="$(pg_bin)" || return 1
  pg_as_owner "$bin/pg_ctl" -D "$SHARDS_DIR/$name/data" -m fast -w stop >/dev/null
}

shards_stop() {
  [ -n "$SHARDS_DIR" ] || return 0
  local bin name
  if bin="$(pg_bin)"; then
    for name in coord shard1 shard2; do
      [ -f "$SHARDS_DIR/$name/data/postmaster.pid" ] || continue
      pg_as_owner "$bin/pg_ctl" -D "$SHARDS_DIR/$name/data" -m immediate -w stop >/dev/null 2>&1 || true
    done
  fi
  rm -rf "$SHARDS_DIR"
  SHARDS_DIR=""
  SHARDS_PORTS=()
  unset AUTHPAY_SHARD_CONNSTR AUTHPAY_SHARD_RO_CONNSTR
}
