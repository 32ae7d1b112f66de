#!/usr/bin/env bash
# What a column dimension costs, timed as whole processes: `budget-host --batch --group G
# --columns C` against the same grouping without it (`--group G`, the reference) and against the
# list grouped by C as well (`--group G,C`, the same statement).
#
#   bench/query/spread.sh [--reps N] [--scale] [--no-pg | --no-sqlite]
#       On SQLite and PostgreSQL at 1,000,000 budget rows (with --scale also at 10,000,000): N
#       rounds (5 unless told) of the three runs, alternating, and their medians and ratios.
#
# Each case's runs hold the build lock, so no build runs meanwhile.
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/postgres.sh"
source "$HERE/timing.sh"

REPS=5
bench_options "$@"
bench_setup spread

# grouping|level|column dimension: few columns, and more codes than columns (其他 folds the rest).
CASES=("预算单位,预算科目|2|资金性质" "预算单位,资金性质,支出类型,支付方式,预算科目|<全部>|预算项目")

rows_of() { sed -n 's/.*refreshed: \([0-9]*\) rows.*/\1/p' "$1"; }
ms() { awk -v m="$(median "$1")" 'BEGIN {printf "%.2f s", m / 1000}'; }
ratio() { awk -v a="$(median "$1")" -v b="$(median "$2")" 'BEGIN {printf "%.2f", a / b}'; }

measure() {
  local label="$1" conn="$2" case groups level column
  for case in "${CASES[@]}"; do
    IFS='|' read -r groups level column <<<"$case"
    rm -f "$WORK"/*
    local -a base=("$HOST" --db "$conn" --batch --level "$level")
    exec 9>"$LOCK"
    flock 9
    "${base[@]}" --group "$groups" >/dev/null 2>&1  # warm
    for _ in $(seq "$REPS"); do
      timed "$WORK/list" "${base[@]}" --group "$groups"
      timed "$WORK/spread" "${base[@]}" --group "$groups" --columns "$column"
      timed "$WORK/wide" "${base[@]}" --group "$groups,$column"
    done
    exec 9>&-
    printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$label" "$groups" "$column" \
      "$(rows_of "$WORK/list.err")" "$(rows_of "$WORK/spread.err")" "$(ms "$WORK/list.ms")" "$(ms "$WORK/spread.ms")" \
      "$(ratio "$WORK/spread.ms" "$WORK/list.ms")" "$(ms "$WORK/wide.ms")" "$(ratio "$WORK/spread.ms" "$WORK/wide.ms")"
  done
}

echo "| database | grouping | column dimension | list rows | spread rows | list | spread | ratio | list with it grouped | ratio |"
echo "|---|---|---|---|---|---|---|---|---|---|"
[ "$SQLITE" -eq 0 ] || each_sqlite_size measure
[ "$PG" -eq 1 ] || exit 0

each_pg_size measure
