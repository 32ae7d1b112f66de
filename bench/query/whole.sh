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
TREE="${AUTHPAY_TREE:-$ROOT/build}"
LOCK=/tmp/authpay-build.lock

REPS=7 SCALE=0 PG=1 SQLITE=1 ONLY=""
while [ $# -gt 0 ]; do
  case "$1" in
    --reps) REPS="$2"; shift ;;
    --scale) SCALE=1 ;;
    --no-pg) PG=0 ;;
    --no-sqlite) SQLITE=0 ;;
    --grouping) ONLY="$2"; shift ;;
    *) say "unknown option $1"; exit 2 ;;
  esac
  shift
done

flock "$LOCK" cmake --build "$TREE" --target budget-host authpay demo-gen -j2 >/dev/null
HOST="$TREE/host/budget-host"
WORK="$(mktemp -d /tmp/authpay-whole.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
export QT_QPA_PLATFORM=offscreen

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

# stamp: nanoseconds now.
stamp() { date +%s%N; }

# timed OUT CMD...: runs CMD (stdout to /dev/null, stderr to OUT.err), appends its wall
# milliseconds to OUT.ms and its peak resident kB to OUT.kb.
timed() {
  local out="$1" t0 t1; shift
  t0=$(stamp)
  /usr/bin/time -f '%M' -o "$out.rss" "$@" >/dev/null 2>"$out.err"
  t1=$(stamp)
  echo $(( (t1 - t0) / 1000000 )) >>"$out.ms"
  cat "$out.rss" >>"$out.kb"
}

median() { sort -n "$1" | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}'; }

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

sqlite_file() {
  local db="$TREE/demo-$1.sqlite"
  if [ ! -f "$db" ]; then
    "$TREE/demo-gen" --sqlite "$db.tmp" --rows "$2" --quiet
    mv "$db.tmp" "$db"
  fi
  printf '%s' "$db"
}

SIZES=(1m:1000000)
[ "$SCALE" -eq 0 ] || SIZES+=(10m:10000000)
# The module's number of sort helper threads: one fewer than the processors, 1 to 8.
SORT_THREADS=$(( $(nproc) - 1 )); [ "$SORT_THREADS" -ge 1 ] || SORT_THREADS=1; [ "$SORT_THREADS" -le 8 ] || SORT_THREADS=8
echo "| database | grouping | result rows | host | shell | ratio | shell, module's settings | ratio | host peak memory |"
echo "|---|---|---|---|---|---|---|---|---|"
for size in "${SIZES[@]}"; do
  [ "$SQLITE" -eq 1 ] || break
  SQLITE_FILE="$(sqlite_file "${size%%:*}" "${size##*:}")"
  measure "SQLite ${size%%:*}" "Provider=SQLite;Data Source=$SQLITE_FILE;Mode=Read" sqlite
done
[ "$PG" -eq 1 ] || exit 0

trap 'pg_stop; rm -rf "$WORK"' EXIT
pg_start "$TREE" >&2
PGPASSWORD="$(sed 's/.*;Password=\([^;]*\).*/\1/' <<<"$AUTHPAY_PG_CONNSTR")"
export PGPASSWORD
for size in "${SIZES[@]}"; do
  "$TREE/demo-gen" --quiet --pg "$AUTHPAY_PG_CONNSTR" --rows "${size##*:}"
  pg_psql authpay_demo -c 'vacuum analyze;' >/dev/null
  measure "PostgreSQL ${size%%:*}" "$AUTHPAY_PG_CONNSTR" psql
done
