#!/usr/bin/env bash
# Builds and runs the dynamic tree benchmark on a code table of 100,000 rows.
#
#   bench/trees/run.sh [--pg] [--reps N] [--verbose]
#
# The SQLite database is generated once into build-dev/tree-codes.sqlite (by the benchmark
# itself). With --pg a throwaway PostgreSQL cluster (scripts/lib/postgres.sh) is started, the
# benchmark writes the same table into its demo database and runs the same measurements against
# it as well, and the cluster is stopped again.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/postgres.sh"
TREE="${AUTHPAY_TREE:-$ROOT/build-dev}"

PG=0
ARGS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --pg) PG=1 ;;
    *) ARGS+=("$1") ;;
  esac
  shift
done

TARGETS=(bench_trees)
# The cluster is loaded with the demo budget database by demo-gen.
[ "$PG" -eq 1 ] && TARGETS+=(demo-gen)
flock /tmp/authpay-build.lock cmake -S "$ROOT" -B "$TREE" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
flock /tmp/authpay-build.lock cmake --build "$TREE" --target "${TARGETS[@]}" -j2 >/dev/null

export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
BENCH=("$TREE/bench/trees/bench_trees" --sqlite "$TREE/tree-codes.sqlite")
if [ "$PG" -eq 1 ]; then
  trap pg_stop EXIT
  pg_start "$TREE"
  BENCH+=(--pg "$AUTHPAY_PG_CONNSTR")
fi
"${BENCH[@]}" "${ARGS[@]}"
