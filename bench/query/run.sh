#!/usr/bin/env bash
# Builds and runs the query window benchmark.
#
#   bench/query/run.sh [--pg] [--reps N] [bench_query options]
#       Refresh grouped as in the default grouping on a 1,000,000-row SQLite demo database (and,
#       with --pg, on a throwaway PostgreSQL cluster loaded with the same rows), then the row writer.
#   bench/query/run.sh --scale [--reps N]
#       The table of the scale figures: every grouping users run (unit2-fund-subject,
#       unit-subject-item, all-six) on SQLite and PostgreSQL at 1,000,000 and 10,000,000 rows, and on
#       the sharded PostgreSQL layout at 10,000,000 rows: the window's Refresh against the
#       database's own shell, their ratio, the result rows and the process's memory; the time
#       demo-gen takes for each load; then the large-result run (all six dimensions, 10,000,000
#       rows) on SQLite and PostgreSQL, and the drill-down window on the largest groups of
#       10,000,000 rows on both.
#   bench/query/run.sh --shards [--rows N] [--reps N]
#       The sharded layout against one server, 10,000,000 rows (or N) each: every grouping of the
#       scale table on one PostgreSQL server and on the coordinator of two shards, then of four,
#       the one server measured again beside each layout; the loads run outside the build lock,
#       the timings inside it.
#   bench/query/run.sh [--pg] --drill
#       The drill-down window on the largest groups of 1,000,000 rows (see DrillOpen.h).
#   bench/query/run.sh --host-drill [--rows N]
#       The headless drill-down of the largest fund group of 10,000,000 rows (or N) on SQLite:
#       budget-host's time and peak memory without an output (the rows read for the summary, the
#       reference) and with --format table, tsv, csv, json and --print-sheet, each against it.
#
# SQLite databases are generated once into build-dev/demo-1m.sqlite and demo-10m.sqlite.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/postgres.sh"
source "$ROOT/scripts/lib/pg-shards.sh"
TREE="${AUTHPAY_TREE:-$ROOT/build-dev}"

PG=0 SCALE=0 SHARDS=0 HOSTDRILL=0 ROWS=10000000 REPS=3
ARGS=()
while [ $# -gt 0 ]; do
  case "$1" in
    --pg) PG=1 ;;
    --scale) SCALE=1 ;;
    --shards) SHARDS=1 ;;
    --host-drill) HOSTDRILL=1 ;;
    --rows) ROWS="$2"; shift ;;
    --reps) REPS="$2"; ARGS+=("$1" "$2"); shift ;;
    *) ARGS+=("$1") ;;
  esac
  shift
done

[ -f "$TREE/CMakeCache.txt" ] \
  || flock /tmp/authpay-build.lock cmake -S "$ROOT" -B "$TREE" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
flock /tmp/authpay-build.lock cmake --build "$TREE" --target bench_query demo-gen budget-host authpay -j2 >/dev/null
BENCH="$TREE/bench/query/bench_query"

# sqlite_db ROWS LABEL: the demo file of that many rows, generated when missing.
sqlite_db() {
  local db="$TREE/demo-$2.sqlite" start
  if [ ! -f "$db" ]; then
    start=$SECONDS
    "$TREE/demo-gen" --sqlite "$db.tmp" --rows "$1" --quiet
    mv "$db.tmp" "$db"
    say "demo-gen --rows $1 on SQLite: $((SECONDS - start)) s"
  fi
  printf '%s' "$db"
}

# pg_load CONNSTR ROWS: replaces the demo rows of a PostgreSQL database and says how long it took.
pg_load() {
  local start=$SECONDS
  "$TREE/demo-gen" --quiet --pg "$1" --rows "$2"
  pg_psql authpay_demo -c 'vacuum analyze;' >/dev/null
  say "demo-gen --rows $2 on PostgreSQL: $((SECONDS - start)) s (with vacuum analyze)"
}

# host_run DB OUTPUT-OPTIONS...: "seconds peak-KiB summary-line" of one headless drill-down.
host_run() {
  local db="$1" stats; shift
  stats="$(mktemp)"
  QT_QPA_PLATFORM=offscreen /usr/bin/time -f '%e %M' -o "$stats" "$TREE/host/budget-host" --batch \
    --db "Provider=SQLite;Data Source=$db;Mode=Read" --group 资金性质 --drill 1 "$@" 2>&1 >/dev/null \
    | grep 'drill-down:' | tr '\n' ' ' >"$stats.line" || true
  printf '%s %s\n' "$(tail -n1 "$stats")" "$(cat "$stats.line")"
  rm -f "$stats" "$stats.line"
}

if [ "$HOSTDRILL" -eq 1 ]; then
  db="$(sqlite_db "$ROWS" "$((ROWS / 1000000))m")"
  read -r ref_s ref_kib ref_line <<<"$(host_run "$db")"
  say "budget-host --drill 1 on $ROWS rows, no output: $ref_s s, peak $((ref_kib / 1024)) MiB ($ref_line)"
  echo "| output | seconds | peak memory | time / reference | peak / reference | peak under 250 MiB |"
  echo "|---|---|---|---|---|---|"
  for out in "--format table" "--format tsv" "--format csv" "--format json" "--print-sheet"; do
    # shellcheck disable=SC2086
    read -r s kib _ <<<"$(host_run "$db" $out)"
    printf '| %s | %s s | %s MiB | %s | %s | %s |\n' "$out" "$s" "$((kib / 1024))" \
      "$(awk -v a="$s" -v b="$ref_s" 'BEGIN { printf "%.2f", a / b }')" \
      "$(awk -v a="$kib" -v b="$ref_kib" 'BEGIN { printf "%.2f", a / b }')" \
      "$([ "$kib" -le $((250 * 1024)) ] && echo met || echo MISSED)"
  done
  exit 0
fi

GROUPINGS=(unit2-fund-subject unit-subject-item all-six)
# summary LABEL DB-OPTIONS...: one table row per grouping.
summary() {
  local label="$1" g line; shift
  for g in "${GROUPINGS[@]}"; do
    line="$("$BENCH" "$@" --grouping "$g" --reps "$REPS" --summary --label "$label" 2>/dev/null | grep '^RESULT|' || true)"
    [ -n "$line" ] || { say "$label $g: no result"; continue; }
    IFS='|' read -r _ db grouping window shell ratio rows rss peak <<<"$line"
    printf '| %s | %s | %s | %s | %s | %s | %s MiB | %s MiB |\n' "$db" "$grouping" "$window" "$shell" "$ratio" "$rows" "$rss" "$peak"
  done
}

if [ "$SCALE" -eq 1 ]; then
  trap 'shards_stop; pg_stop' EXIT
  echo "| database | grouping | Refresh ms | shell ms | ratio | result rows | memory at open | peak memory |"
  echo "|---|---|---|---|---|---|---|---|"
  for size in 1m:1000000 10m:10000000; do
    summary "SQLite ${size%%:*}" --sqlite "$(sqlite_db "${size##*:}" "${size%%:*}")"
  done
  pg_start "$TREE"
  for size in 1m:1000000 10m:10000000; do
    pg_load "$AUTHPAY_PG_CONNSTR" "${size##*:}"
    summary "PostgreSQL ${size%%:*}" --pg "$AUTHPAY_PG_CONNSTR"
  done
  start=$SECONDS
  shards_start "$TREE" 10000000
  say "sharded layout with 10000000 rows ready in $((SECONDS - start)) s"
  summary "PostgreSQL sharded 10m" --pg "$AUTHPAY_SHARD_CONNSTR"
  shards_stop
  "$BENCH" --sqlite "$(sqlite_db 10000000 10m)" --large all-six --label "SQLite 10m" 2>/dev/null
  "$BENCH" --pg "$AUTHPAY_PG_CONNSTR" --large all-six --label "PostgreSQL 10m" 2>/dev/null
  say "drill-down, SQLite 10m"
  "$BENCH" --sqlite "$(sqlite_db 10000000 10m)" --drill 2>/dev/null
  say "drill-down, PostgreSQL 10m"
  "$BENCH" --pg "$AUTHPAY_PG_CONNSTR" --drill 2>/dev/null
  exit 0
fi

# refresh_ms GROUPING CONNSTR: the median Refresh of the window in ms.
refresh_ms() {
  "$BENCH" --pg "$2" --grouping "$1" --reps "$REPS" --summary --label x 2>/dev/null \
    | awk -F'|' '$1 == "RESULT" { print $4 }'
}

if [ "$SHARDS" -eq 1 ]; then
  trap 'shards_stop; pg_stop' EXIT
  trap 'exit 1' INT TERM HUP
  pg_start "$TREE"
  pg_load "$AUTHPAY_PG_CONNSTR" "$ROWS"
  echo "| grouping | shards | one server ms | sharded ms | sharded / one server |"
  echo "|---|---|---|---|---|"
  for count in 2 4; do
    start=$SECONDS
    SHARDS_COUNT="$count" shards_start "$TREE" "$ROWS"
    say "$count shards with $ROWS rows ready in $((SECONDS - start)) s"
    for g in "${GROUPINGS[@]}"; do
      exec 9>/tmp/authpay-build.lock
      flock 9  # no build runs while the two are timed
      one="$(refresh_ms "$g" "$AUTHPAY_PG_CONNSTR")"
      sharded="$(refresh_ms "$g" "$AUTHPAY_SHARD_CONNSTR")"
      exec 9>&-
      printf '| %s | %s | %s | %s | %s |\n' "$g" "$count" "$one" "$sharded" \
        "$(awk -v a="$one" -v b="$sharded" 'BEGIN { if (a > 0) printf "%.2f", b / a; else print "-" }')"
    done
    shards_stop
  done
  exit 0
fi

BENCH_ARGS=(--sqlite "$(sqlite_db 1000000 1m)")
if [ "$PG" -eq 1 ]; then
  trap pg_stop EXIT
  pg_start "$TREE"
  pg_load "$AUTHPAY_PG_CONNSTR" 1000000
  BENCH_ARGS+=(--pg "$AUTHPAY_PG_CONNSTR")
fi
"$BENCH" "${BENCH_ARGS[@]}" "${ARGS[@]}"
