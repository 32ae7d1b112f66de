#!/usr/bin/env bash
# scope_test.sh BINARY_DIR HOST MODULE: the server keeps each login role inside its row scope
# (deploy/postgres/row-scope.sql, applied by the demo layout) on every path of budget-host --batch:
# the Refresh, subtotals, the secrecy filter, typed and listed unit codes, a saved condition set, a
# subject ticked in its picker, the drill-down, the compared year and the export, each against the database's own sums as that
# role. The clerk of unit 002 is not cleared for secret rows, the clerk of unit 001 is; the
# owner's report is the whole database's. Passwords come from a password file, never the command
# line. Skipped (77) where no PostgreSQL server is installed.
source "$(dirname "$0")/pg_host_test.sh" scope "$@"

FAILED=0 CHECKS=0
fail() { printf 'FAIL: %s\n' "$*" >&2; FAILED=1; }

pg_start "$TREE" || exit 1
export PGPASSFILE="$AUTHPAY_PG_PGPASS"

# sql ROLE QUERY: the database's answer as ROLE.
sql() { psql -X -A -t -h 127.0.0.1 -p "$PG_PORT" -U "$1" -d authpay_demo -c "$2"; }
money() { sql "$1" "select to_char(coalesce(sum(budgmoney),0),'FM999,999,999,999,990.00') from vwBudgetAdj where $2"; }

# host ROLE UNIT NAME OPTIONS...: a report as ROLE; its stderr in NAME.err, stdout in NAME.out.
host() {
  local role="$1" unit="$2" name="$3"; shift 3
  "$HOST" --module "$MODULE" --db "Provider=PostgreSQL;Host=127.0.0.1;Port=$PG_PORT;Initial Catalog=authpay_demo;User ID=$role" \
    --unit "$unit" --year 2010 --batch "$@" >"$WORK/$name.out" 2>"$WORK/$name.err"
  echo $? >"$WORK/$name.rc"
  grep -qE 'Sanitizer|runtime error:' "$WORK/$name.err" && fail "$name: sanitizer report"
}
# expect NAME WHAT WANT: the status line WHAT ("refreshed" or "drill-down") says total WANT.
expect_total() {
  CHECKS=$((CHECKS + 1))
  local got
  got="$(sed -n "s/^budget-host: $2: .*, total //p" "$WORK/$1.err")"
  grep -q "^budget-host: $2: no rows" "$WORK/$1.err" && got="0.00"
  [ "$got" = "$3" ] || { fail "$1: $2 total ${got:-none}, the database says $3"; sed -n 1,20p "$WORK/$1.err" >&2; }
}

YEAR="datayear=2010 and btype='0'"
owner="$(sed -n 's/.*User ID=\([^;]*\).*/\1/p' <<<"$AUTHPAY_PG_CONNSTR")"
for clerk in "authpay_clerk_002 002001 002 issecret<>'0'" "authpay_clerk_001 001001 001 true"; do
  read -r role unit prefix secrecy <<<"$clerk"
  # What the role may see, as the owner reckons it: the server's answers as the role must be this.
  all="$(money "$owner" "$YEAR and eid like '$prefix%' and $secrecy")"
  [ "$all" = "$(money "$role" "$YEAR")" ] || fail "$role sees other rows than unit $prefix's ($secrecy)"

  host "$role" "$unit" "$role-units" --group 预算单位 --level 1
  expect_total "$role-units" refreshed "$all"
  host "$role" "$unit" "$role-subtotals" --group 预算单位,资金性质,预算科目 --level '<全部>' --subtotals
  expect_total "$role-subtotals" refreshed "$all"
  host "$role" "$unit" "$role-secret" --group 预算单位 --level 1 --secret 0
  expect_total "$role-secret" refreshed "$(money "$role" "$YEAR and issecret='0'")"
  # Another unit's codes, typed, listed or recalled from a saved set, find nothing of it.
  host "$role" "$unit" "$role-eid" --group 预算单位 --eid 004
  expect_total "$role-eid" refreshed "$(money "$role" "$YEAR and eid like '004%'")"
  host "$role" "$unit" "$role-eid-list" --group 预算单位 --eid-list 001001,004001,002003 --save-preset 其他单位
  expect_total "$role-eid-list" refreshed "$(money "$role" "$YEAR and eid in ('001001','004001','002003')")"
  host "$role" "$unit" "$role-preset" --preset 其他单位 --group 预算单位
  expect_total "$role-preset" refreshed "$(money "$role" "$YEAR and eid in ('001001','004001','002003')")"
  # A subject ticked in the picker, as a clerk ticks it.
  host "$role" "$unit" "$role-pick" --group 预算单位 --pick-bid 2050803
  expect_total "$role-pick" refreshed "$(money "$owner" "$YEAR and eid like '$prefix%' and $secrecy and bid='2050803'")"
  # The drill-down of the first unit at level 2, and of the totals row's unit list.
  first="$(sql "$role" "select min(substr(eid,1,6)) from vwBudgetAdj where $YEAR")"
  host "$role" "$unit" "$role-drill" --group 预算单位 --level 2 --drill 1
  expect_total "$role-drill" drill-down "$(money "$role" "$YEAR and eid like '$first%'")"
  # The compared year's column, and the export's totals row.
  host "$role" "$unit" "$role-compare" --group 预算单位 --level 1 --compare-year 2009 --format json \
    --export "$WORK/$role.xlsx"
  CHECKS=$((CHECKS + 2))
  compared="$(/usr/bin/python3 -c 'import json,sys; t=json.load(open(sys.argv[1]))["totals"]; print(f"{t[4]:,.2f}")' "$WORK/$role-compare.out")"
  want="$(money "$role" "datayear=2009 and btype='0'")"
  [ "$compared" = "$want" ] || fail "$role-compare: compared total $compared, the database says $want"
  exported="$(/usr/bin/python3 -c '
import openpyxl, sys
rows = list(openpyxl.load_workbook(sys.argv[1], data_only=True).worksheets[0].iter_rows(values_only=True))
total = [r for r in rows if r[0] and str(r[0]).replace(" ", "") == "合计"][0]
print(f"{[v for v in total[1:] if isinstance(v, (int, float))][0]:,.2f}")' "$WORK/$role.xlsx")"
  [ "$exported" = "$all" ] || fail "$role-compare: the export's total $exported, the database says $all"
done

# The owner sees every row, as before the scope was set.
host "$owner" 003001 owner --group 预算单位 --level 1
expect_total owner refreshed "$(sql "$owner" "select to_char(sum(budgmoney),'FM999,999,999,999,990.00') from BusiBudgetAdj where $YEAR")"
expect_total owner refreshed "2,815,253,200.00"

# The host's own setting keeps an honest user's reports inside the unit on SQLite too: the
# Refresh and the drill-down of its totals row.
"$TREE/demo-gen" --sqlite "$WORK/demo.sqlite" >/dev/null 2>&1 || fail "cannot create the SQLite demo"
sqlite_sum() {
  /usr/bin/python3 -c 'import sys; print(f"{float(sys.argv[1]):,.2f}")' \
    "$(sqlite3 "$WORK/demo.sqlite" "select sum(budgmoney) from vwBudgetAdj where $YEAR and eid like '$1%'")"
}
"$HOST" --module "$MODULE" --db "Provider=SQLite;Data Source=$WORK/demo.sqlite;Mode=Read" --unit 002001 \
  --scope unit --batch --group 预算单位 --level '<全部>' --drill 1 >"$WORK/sqlite-scope.out" 2>"$WORK/sqlite-scope.err"
expect_total sqlite-scope refreshed "$(sqlite_sum 002001)"
expect_total sqlite-scope drill-down "$(sqlite_sum 002001)"

echo "scope: $CHECKS checks, $([ "$FAILED" -eq 0 ] && echo "all passed" || echo "some failed")"
exit "$FAILED"
