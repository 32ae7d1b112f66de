#!/usr/bin/env bash
# shards_test.sh BINARY_DIR HOST MODULE: budget-host --batch on the sharded layout prints the same
# sheets as on one server (AUTHPAY_PG_RO_CONNSTR, else one started here), drill-downs included (a
# group on one shard and one across both), the window's default
# grouping is summed on the shards, and a stopped shard fails the report, naming the shard.
source "$(dirname "$0")/../../scripts/lib/common.sh"
source "$ROOT/scripts/lib/pg-shards.sh"
set +e

TREE="$1" HOST="$2" MODULE="$3"
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
n1="$(shards_psql shard1 authpay_demo -Atc 'select count(*) from BusiBudgetAdj')"
n2="$(shards_psql shard2 authpay_demo -Atc 'select count(*) from BusiBudgetAdj')"
[ "$((${n1:-0} + ${n2:-0}))" -eq 20000 ] && [ "${n1:-0}" -gt 6000 ] && [ "${n2:-0}" -gt 6000 ] \
  || fail "the shards hold $n1 and $n2 of the 20000 budget rows"

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

# The window's default grouping (unit codes at level 2) is summed by each shard.
statement="$(grep -m 1 'sum(budgmoney)' "$WORK/shards1.sql")"
plan="$(shards_psql coord authpay_demo -Atc "explain (verbose) $statement")"
for shard in shard1 shard2; do
  grep -q "Relations: Aggregate on (public.vwbudgetadj_$shard " <<<"$plan" \
    || { fail "the sum is not computed on $shard"; printf '%s\n' "$plan" >&2; }
done

# A shard that is down: the report fails, says which shard, and prints no sheet.
shards_stop_one 2
report down "$AUTHPAY_SHARD_RO_CONNSTR" --group 预算单位,资金性质,预算科目 --level 2
[ "$(cat "$WORK/down.rc")" = 1 ] || fail "shard2 down: status $(cat "$WORK/down.rc"), not 1"
grep -q '"shard2"' "$WORK/down.err" || { fail "shard2 down: stderr does not name the shard"; cat "$WORK/down.err" >&2; }
grep -q '合  计' "$WORK/down.out" && fail "shard2 down: a totals row was printed"
grep -q 'refreshed:' "$WORK/down.err" && fail "shard2 down: the report says it refreshed"
exit "$FAILED"
