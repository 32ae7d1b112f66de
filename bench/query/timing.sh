# Helpers of the whole-process benchmarks (sourced): their common options, the host built and a
# work folder, a timed run, the median of runs, the generated SQLite database of a size (made
# once, under the build tree $TREE), and the PostgreSQL sizes loaded in turn.

TREE="${AUTHPAY_TREE:-$ROOT/build}"
LOCK=/tmp/authpay-build.lock

# bench_options ARGS...: --reps N, --scale, --no-pg, --no-sqlite, --grouping KEY into REPS, SCALE,
# PG, SQLITE and ONLY (REPS keeps the caller's default unless told).
bench_options() {
  SCALE=0 PG=1 SQLITE=1 ONLY=""
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
  SIZES=(1m:1000000)
  [ "$SCALE" -eq 0 ] || SIZES+=(10m:10000000)
}

# bench_setup NAME: the host built (holding the build lock) as HOST, an empty WORK folder removed at
# the end, and no display.
bench_setup() {
  flock "$LOCK" cmake --build "$TREE" --target budget-host authpay demo-gen -j2 >/dev/null
  HOST="$TREE/host/budget-host"
  WORK="$(mktemp -d "/tmp/authpay-$1.XXXXXX")"
  trap 'rm -rf "$WORK"' EXIT
  export QT_QPA_PLATFORM=offscreen
}

# each_pg_size MEASURE [ARGS...]: the PostgreSQL server started, then per size the demo loaded
# and `MEASURE "PostgreSQL 1m" CONNSTR ARGS...` run.
each_pg_size() {
  local fn="$1" size; shift
  trap 'pg_stop; rm -rf "$WORK"' EXIT
  pg_start "$TREE" >&2
  PGPASSWORD="$(sed 's/.*;Password=\([^;]*\).*/\1/' <<<"$AUTHPAY_PG_CONNSTR")"
  export PGPASSWORD
  for size in "${SIZES[@]}"; do
    "$TREE/demo-gen" --quiet --pg "$AUTHPAY_PG_CONNSTR" --rows "${size##*:}"
    pg_psql authpay_demo -c 'vacuum analyze;' >/dev/null
    "$fn" "PostgreSQL ${size%%:*}" "$AUTHPAY_PG_CONNSTR" "$@"
  done
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

sqlite_file() {
  local db="$TREE/demo-$1.sqlite"
  if [ ! -f "$db" ]; then
    "$TREE/demo-gen" --sqlite "$db.tmp" --rows "$2" --quiet
    mv "$db.tmp" "$db"
  fi
  printf '%s' "$db"
}


# each_sqlite_size MEASURE [ARGS...]: per size `MEASURE "SQLite 1m" CONNSTR ARGS...` on its file.
each_sqlite_size() {
  local fn="$1" size; shift
  for size in "${SIZES[@]}"; do
    SQLITE_FILE="$(sqlite_file "${size%%:*}" "${size##*:}")"
    "$fn" "SQLite ${size%%:*}" "Provider=SQLite;Data Source=$SQLITE_FILE;Mode=Read" "$@"
  done
}
