#!/usr/bin/env bash
# Builds and runs the query window benchmark on a demo database of 1,000,000 budget rows.
#
#   bench/query/run.sh [--pg] [--reps N]
#
# The SQLite database is generated once into build-dev/demo-1m.sqlite. With --pg a throwaway
# PostgreSQL cluster (scripts/lib/postgres.sh) is started, its demo database is replaced by the
# 1,000,000-row one, the benchmark runs against it as well, and the cluster is stopped again.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/postgres.sh"
TREE="${AUTHPAY_TREE:-$ROOT/build-dev}"
ROWS=1000000

PG=0
ARGS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --pg) PG=1 ;;
    *) ARGS+=("$1") ;;
  esac
  shift
done

flock /tmp/authpay-build.lock cmake -S "$ROOT" -B "$TREE" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
flock /tmp/authpay-build.lock cmake --build "$TREE" --target bench_query demo-gen -j2 >/dev/null

DB="$TREE/demo-1m.sqlite"
if [ ! -f "$DB" ]; then
  say "generating $DB ($ROWS rows)"
  "$TREE/demo-gen" --sqlite "$DB.tmp" --rows "$ROWS" --quiet
  mv "$DB.tmp" "$DB"
fi

BENCH=("$TREE/bench/query/bench_query" --sqlite "$DB")
if [ "$PG" -eq 1 ]; then
  trap pg_stop EXIT
  pg_start "$TREE"
  say "loading $ROWS rows into PostgreSQL"
  "$TREE/demo-gen" --quiet --pg "$AUTHPAY_PG_CONNSTR" --rows "$ROWS"
  pg_psql authpay_demo -c 'vacuum analyze;' >/dev/null
  BENCH+=(--pg "$AUTHPAY_PG_CONNSTR")
fi
"${BENCH[@]}" "${ARGS[@]}"
