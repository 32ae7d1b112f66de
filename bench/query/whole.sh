#!/usr/bin/env bash
# The report as a user runs it, timed as a whole process: `budget-host --batch --group …` against
# the database's own shell running the statement the host sent (taken from its --sql-trace).
#
#   bench/query/whole.sh [--reps N] [--scale] [--no-pg | --no-sqlite] [--grouping KEY]
#       For every grouping users run (unit2-fund-subject, unit-subject-item, all-six, and all-six
#       with 对比年度 2009: all-six-compared) on SQLite
#       and PostgreSQL at 1,000,000 budget rows (with --scale also at 10,000,000): N pairs (7
#       unless told) of host and shell runs, alternating, and their medians, ratio, result rows
#       and the host's peak memory (the largest of its runs).
#
# The shell is `sqlite3 FILE < statement > /dev/null` and `psql -q -o /dev/null -f statement`
# (over TCP, as the host connects). The module sets its sessions for grouped sums (SQLite's sort
# helper threads; PostgreSQL's work_mem of at least 64MB, free parallel workers, no JIT), which the
# shells do not by default: a second pair of columns times the shell with the same settings put
# before the statement, the engine's own pace for the module's session. Each grouping's runs hold
# the build lock, so no build runs meanwhile. The figures depend on the machine (two cores here,
# shared with the database server).
set -euo pipefail
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$HERE/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/postgres.sh"
source "$HERE/timing.sh"

REPS=7
bench_options "$@"
bench_setup whole

declare -A GROUPS_OF=(
  [unit2-fund-subject]="预算单位,资金性质,预算科目|2"
  [unit-subject-item]="预算单位,预算科目,预算项目|<全部>"
  [all-six]="预算单位,资金性质,支出类型,支付方式,预算科目,预算项目|<全部>"
  [all-six-compared]="预算单位,资金性质,支出类型,支付方式,预算科目,预算项目|<全部>|2009"
)
GROUPINGS=(unit2-fund-subject unit-subject-item all-six all-six-compared)
[ -z "$ONLY" ] || GROUPINGS=("$ONLY")

# host_args CONNSTR KEY: the host's command line for that grouping.
host_args() {
  local groups level compare
  IFS='|' read -r groups level compare <<<"${GROUPS_OF[$2]}"
  printf '%s\0' "$HOST" --db "$1" --batch --group "$groups" --level "$level"
  [ -z "$compare" ] || printf '%s\0' --compare-year "$compare"
}

# measure LABEL CONNSTR SHELL-KIND: one table row per grouping.
measure() {
  local label="$1" conn="$2" kind="$3" g rows ratio hostms shellms tunedms peak
  for g in "${GROUPINGS[@]}"; do
    local -a cmd shell
    mapfile -d '' cmd < <(host_args "$conn" "$g")
    rm -f "$WORK"/*
    # The traced statement: the grouped one, the last the host sends.
    "${cmd[@]}" --sql-trace "$WORK/trace" >/dev/null 2>"$WORK/first.err" || { cat "$WORK/first.err" >&2; continue; }
    grep -a 'group by' "$WORK/trace" | tail -n 1 | sed 's/[[:space:];]*$/;/' >"$WORK/stmt.sql"
    rows="$(sed -n 's/.*refreshed: \([0-9]*\) rows.*/\1/p' "$WORK/first.err")"
    local -a tuned
    if [ "$kind" = sqlite ]; then
      { echo "PRAGMA threads=$SORT_THREADS;"; cat "$WORK/stmt.sql"; } >"$WORK/tuned.sql"
      shell=(sh -c 'exec sqlite3 "$0" < "$1"' "$SQLITE_FILE" "$WORK/stmt.sql")
      tuned=(sh -c 'exec sqlite3 "$0" < "$1"' "$SQLITE_FILE" "$WORK/tuned.sql")
    else
      { echo "SET work_mem='64MB'; SET parallel_setup_cost=0; SET parallel_tuple_cost=0; SET jit=off;"
        cat "$WORK/stmt.sql"; } >"$WORK/tuned.sql"
      shell=(psql -X -q -o /dev/null -h 127.0.0.1 -p "$PG_PORT" -U authpay -d authpay_demo -f "$WORK/stmt.sql")
      tuned=(psql -X -q -o /dev/null -h 127.0.0.1 -p "$PG_PORT" -U authpay -d authpay_demo -f "$WORK/tuned.sql")
    fi
    exec 9>"$LOCK"
    flock 9
    "${shell[@]}" >/dev/null  # both warm
    for _ in $(seq "$REPS"); do
      timed "$WORK/host" "${cmd[@]}"
      timed "$WORK/shell" "${shell[@]}"
      timed "$WORK/tuned" "${tuned[@]}"
    done
    exec 9>&-  # unlocked, and not inherited by a server started later
    hostms="$(median "$WORK/host.ms")"
    shellms="$(median "$WORK/shell.ms")"
    tunedms="$(median "$WORK/tuned.ms")"
    peak="$(sort -n "$WORK/host.kb" | tail -n 1)"
    ratio="$(awk -v a="$hostms" -v b="$shellms" 'BEGIN {printf "%.2f", a / b}')"
    printf '| %s | %s | %s | %.2f s | %.2f s | %s | %.2f s | %s | %s MiB |\n' "$label" "$g" "$rows" \
      "$(awk -v m="$hostms" 'BEGIN {print m / 1000}')" "$(awk -v m="$shellms" 'BEGIN {print m / 1000}')" \
      "$ratio" "$(awk -v m="$tunedms" 'BEGIN {print m / 1000}')" \
      "$(awk -v a="$hostms" -v b="$tunedms" 'BEGIN {printf "%.2f", a / b}')" "$((peak / 1024))"
  done
}

# The module's number of sort helper threads: one fewer than the processors, 1 to 8.
SORT_THREADS=$(( $(nproc) - 1 )); [ "$SORT_THREADS" -ge 1 ] || SORT_THREADS=1; [ "$SORT_THREADS" -le 8 ] || SORT_THREADS=8
echo "| database | grouping | result rows | host | shell | ratio | shell, module's settings | ratio | host peak memory |"
echo "|---|---|---|---|---|---|---|---|---|"
[ "$SQLITE" -eq 0 ] || each_sqlite_size measure sqlite
[ "$PG" -eq 1 ] || exit 0

each_pg_size measure psql
