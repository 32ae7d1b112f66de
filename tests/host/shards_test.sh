#!/usr/bin/env bash
# shards_test.sh BINARY_DIR HOST MODULE [--shards 2|4]: budget-host --batch on the sharded layout
# (two shards, or four) prints the same sheets as on one server (AUTHPAY_PG_RO_CONNSTR, else one
# started here), drill-downs included (a group on one shard and one across shards), every grouping
# is summed on the shards, and a stopped shard fails the report, naming the shard.
source "$(dirname "$0")/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/pg-shards.sh"
set +e

TREE="$1" HOST="$2" MODULE="$3"
case "${4:-}" in
  --shards) SHARDS_COUNT="$5" ;;
  '') ;;
  *) echo "usage: shards_test.sh BINARY_DIR HOST MODULE [--shards 2|4]" >&2; exit 2 ;;
esac
WORK="$(mktemp -d /tmp/authpay-shards-test.XXXXXX)"
cleanup() { shards_stop; pg_stop; rm -rf "$WORK"; }
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
export QT_QPA_PLATFORM=offscreen

FAILED=0
fail() { printf 'FAIL: %s\n' "$*" >&2; FAILED=1; }

pg_bin >/dev/null || exit 77  # no PostgreSQL server here: skipped
REFERENCE="${AUTHPAY_PG_RO_CONNSTR:-}"
if [ -z "$REFERENCE" ]; then
  pg_start "$TREE" || exit 1
  REFERENCE="$AUTHPAY_PG_RO_CONNSTR"
fi
shards_start "$TREE" || exit 1

# Each shard holds a fair share of the rows, and together they hold every row once.
total=0 counts=""
for i in $(seq 1 "$SHARDS_COUNT"); do
  n="$(shards_psql "shard$i" authpay_demo -Atc 'select count(*) from BusiBudgetAdj')"
  counts+=" ${n:-none}"
  total=$((total + ${n:-0}))
  [ "${n:-0}" -gt $((20000 / SHARDS_COUNT / 2)) ] || fail "shard$i holds too few rows:$counts"
done
[ "$total" -eq 20000 ] || fail "the shards hold$counts of the 20000 budget rows"

# report NAME CONNSTR OPTIONS...: the host's sheet in NAME.out, stderr in NAME.err, status in NAME.rc
report() {
  local name="$1" db="$2"; shift 2
  "$HOST" --module "$MODULE" --db "$db" --unit 003001 --year 2010 --sql-trace "$WORK/$name.sql" --batch "$@" \
    --print-sheet >"$WORK/$name.out" 2>"$WORK/$name.err"
  echo $? >"$WORK/$name.rc"
  grep -qE 'Sanitizer|runtime error:' "$WORK/$name.err" && { fail "$name: sanitizer report"; cat "$WORK/$name.err" >&2; }
}

CASES=(
  "--group 预算单位,资金性质,预算科目 --level 2"
  "--group 预算单位,预算科目,预算项目 --level <全部>"
  "--group 预算单位,资金性质,支出类型,支付方式,预算科目,预算项目 --level 1"
  "--group 预算科目,预算项目 --fund 一般公共预算资金 --bid 2050101,2080501,2210201 --secret 1"
  "--group 预算单位,支出类型 --level <全部> --eid-list 001001,004002001,008005002,012003 --exp 人员经费"
  "--group 预算单位,预算科目 --level 2 --eid 001 --type 1 --pay 财政直接支付"
  "--group 预算单位,资金性质 --level 1 --subtotals --drill 2"
  "--group 资金性质 --drill 1"
)
i=0
for c in "${CASES[@]}"; do
  i=$((i + 1))
  read -ra options <<<"$c"
  report "single$i" "$REFERENCE" "${options[@]}"
  report "shards$i" "$AUTHPAY_SHARD_RO_CONNSTR" "${options[@]}"
  for side in single shards; do
    [ "$(cat "$WORK/$side$i.rc")" = 0 ] || { fail "$c: status $(cat "$WORK/$side$i.rc") on $side"; cat "$WORK/$side$i.err" >&2; }
  done
  # A sheet with result rows and its totals row; the two agree on every line but the date.
  [ "$(tail -n 1 "$WORK/single$i.out" | cut -f1)" = "合  计" ] || fail "$c: no totals row on the single server"
  awk -F'\t' '$1 == "1" { n = 1 } END { exit !n }' "$WORK/single$i.out" || fail "$c: no result rows on the single server"
  if ! diff <(grep -v '^出表日期' "$WORK/single$i.out") <(grep -v '^出表日期' "$WORK/shards$i.out") >"$WORK/diff$i"; then
    fail "$c: the sheets differ (single server <, shards >)"
    head -n 20 "$WORK/diff$i" >&2
  fi
done

# Every grouping is summed by each shard: the window's default (unit codes at level 2, the
# partition key), the whole unit code, the unit at level 1 and none; only sums travel. On one
# server the statement is the one grouping.
for i in 1 2 3 4; do
  statement="$(grep -m 1 'sum(budgmoney)' "$WORK/shards$i.sql")"
  plan="$(shards_psql coord authpay_demo -Atc "explain (verbose) $statement")"
  for shard in $(seq 1 "$SHARDS_COUNT"); do
    grep -q "Relations: Aggregate on (public.vwbudgetadj_shard$shard " <<<"$plan" \
      || { fail "${CASES[$((i - 1))]}: the sum is not computed on shard$shard"; printf '%s\n' "$plan" >&2; }
  done
  grep -q 'sum(sumMoney)' "$WORK/single$i.sql" && fail "${CASES[$((i - 1))]}: two stages on one server"
done

# The server's row scope holds for the rows the shards send: the clerk of unit 002 gets its rows
# without the secret ones, as the coordinator's superuser reckons them, and every shard applies the
# scope itself, so only the clerk's rows travel. The clerk's password comes from a password file.
export PGPASSFILE="$AUTHPAY_SHARD_PGPASS"
report clerk "Provider=PostgreSQL;Host=127.0.0.1;Port=${SHARDS_PORTS[coord]};Initial Catalog=authpay_demo;User ID=authpay_clerk_002;Shard Unit Level=2" \
  --group 预算单位,资金性质 --level 2
want="$(shards_psql coord authpay_demo -Atc "select to_char(sum(budgmoney),'FM999,999,999,999,990.00') from vwBudgetAdj
  where datayear=2010 and btype='0' and eid like '002%' and issecret<>'0'")"
grep -q "refreshed: .*, total $want\$" "$WORK/clerk.err" || { fail "clerk: not unit 002's $want"; cat "$WORK/clerk.err" >&2; }
statement="$(grep -m 1 'sum(budgmoney)' "$WORK/clerk.sql")"
plan="$(psql -X -Atc "explain (verbose) $statement" -h 127.0.0.1 -p "${SHARDS_PORTS[coord]}" -U authpay_clerk_002 -d authpay_demo)"
for shard in $(seq 1 "$SHARDS_COUNT"); do
  grep -A3 "public.vwbudgetadj_shard$shard " <<<"$plan" | grep -q "Remote SQL: .*starts_with(eid, \$1" \
    || { fail "clerk: shard$shard does not apply the scope itself"; printf '%s\n' "$plan" >&2; }
done

# No role of the coordinator reads a shard's password.
mappings="$(psql -X -Atc "select coalesce(array_to_string(umoptions, ','), '') from pg_user_mappings" \
  -h 127.0.0.1 -p "${SHARDS_PORTS[coord]}" -U authpay_clerk_002 -d authpay_demo)"
grep -qi password <<<"$mappings" && fail "the clerk reads the shards' passwords: $mappings"

# A shard that is down: the report fails, says which shard, and prints no sheet.
shards_stop_one "$SHARDS_COUNT"
report down "$AUTHPAY_SHARD_RO_CONNSTR" --group 预算单位,资金性质,预算科目 --level 2
down="shard$SHARDS_COUNT"
[ "$(cat "$WORK/down.rc")" = 1 ] || fail "$down down: status $(cat "$WORK/down.rc"), not 1"
grep -q "\"$down\"" "$WORK/down.err" || { fail "$down down: stderr does not name the shard"; cat "$WORK/down.err" >&2; }
grep -q '合  计' "$WORK/down.out" && fail "$down down: a totals row was printed"
grep -q 'refreshed:' "$WORK/down.err" && fail "$down down: the report says it refreshed"
exit "$FAILED"
