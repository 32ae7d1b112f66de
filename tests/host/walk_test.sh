#!/usr/bin/env bash
# walk_test.sh BINARY_DIR HOST MODULE: a clerk's walk through the real budget-host, on an X server
# (Xvfb) with a window manager (openbox), driven by real X events from xdotool: the query window
# opened from the menu, a subject ticked in its picker, F5, a drill-down opened and closed, the
# chart and a drill-down from one of its bars, the print preview, an export checked against the
# database, and every way of closing a window: 退出, the close box, Ctrl+F4, the 窗口 menu, and
# quitting the host with windows open. Each step leaves a screenshot in BINARY_DIR/test-artifacts/walk;
# a failure names its step. Skipped (77) where the X tools are not installed.
set -u

TREE="$1" HOST="$2" MODULE="$3"
for tool in Xvfb openbox xdotool xwininfo xprop import sqlite3 /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "walk: $tool is not installed: skipped"; exit 77; }
done

WORK="$(mktemp -d /tmp/authpay-walk.XXXXXX)"
ART="$TREE/test-artifacts/walk"
rm -rf "$ART" && mkdir -p "$ART"
TAG=walk
source "$(dirname "$0")/xsession.sh"

# --- the X server, the window manager and the host --------------------------------------------
step "start the X server, the window manager and the host"
"$TREE/demo-gen" --sqlite "$WORK/demo.sqlite" >/dev/null 2>&1 || fail "cannot create the demo database"
start_x 1280x1024
start_host "$WORK/demo.sqlite"
shot host

# --- a clerk's report ------------------------------------------------------------------------
step "open the query window from the menu"
click "$MAIN" "${MENU_MODULE[@]}"
click "$MAIN" "${MENU_MODULE_ITEM[@]}"
wait_title "$QUERY"
shot query-window

step "tick subject 2050803 in the picker"
click "$MAIN" "${BOX_SUBJECT[@]}" 2
wait_for 30 "the subject picker" has_window "预算科目"
PICKER="$(window "预算科目")"
# Each click opens the node it selects; its children are read in the background.
click "$PICKER" 106 88      # 205 教育
sleep 2
click "$PICKER" 150 160     # 20508 教育费附加安排的支出
sleep 2
key Down space              # 2050803 城市中小学校舍建设, ticked
shot picker
key alt+s
wait_for 10 "the picker to close" no_window "预算科目"

step "F5, then a double-click on the first row opens its drill-down"
refresh_and_drill
shot drill-down

step "Ctrl+F4 closes the drill-down"
key ctrl+F4
wait_title "$QUERY"
shot result

step "the chart, and a click on its top bar"
retry 30 "the chart window" 'has_window 图表' -- click "$MAIN" "${BTN_CHART[@]}"
CHART="$(window 图表)"
sleep 1
shot chart
point "$CHART" 230 120      # the pointer resting on the top bar shows its group and amount
sleep 1
shot chart-hover
click "$CHART" 230 120
wait_title "$BASE - [明细 - 001007 市直属幼儿园]"
wait_for 10 "the host's window (the drill-down) in front of the chart" above "$MAIN" "$CHART"
shot chart-drill-down

step "the chart closed by the window manager, its drill-down through 窗口 → 关闭"
xdotool windowactivate --sync "$CHART" 2>/dev/null
key alt+F4
wait_for 10 "the chart window to close" no_window "图表"
front
click "$MAIN" "${MENU_WINDOW[@]}"
key o
wait_title "$QUERY"

step "the print preview, closed with its 关闭"
click "$MAIN" "${BTN_PREVIEW[@]}"
wait_for 30 "the print preview" has_window "打印预览"
sleep 1
shot preview
click "$(window 打印预览)" 716 14
wait_for 10 "the preview to close" no_window "打印预览"

step "export to Excel"
click "$MAIN" "${BTN_EXPORT[@]}"
wait_for 30 "the save dialog" has_window "另存为"
shot save-dialog
xdotool type --delay 20 "$WORK/walk.xls"
key Return
wait_for 30 "the export's message" has_window "Kestrelbay 7.1-提示信息"
shot exported
key Return
[ -s "$WORK/walk.xls" ] || fail "no file was written"
sqlite3 -separator '|' "$WORK/demo.sqlite" "select substr(eid,1,6), printf('%.2f', sum(budgmoney)) from vwBudgetAdj
  where datayear=2010 and btype='0' and bid='2050803' group by 1 order by 1" >"$WORK/expected.txt"
/usr/bin/python3 - "$WORK/walk.xls" "$WORK/expected.txt" <<'EOF' || fail "the exported file does not hold the database's sums"
import sys, xlrd
sheet = xlrd.open_workbook(sys.argv[1]).sheet_by_index(0)
rows = [sheet.row_values(r) for r in range(sheet.nrows)]
got = [f"{r[1]}|{r[-1]:.2f}" for r in rows if str(r[0]).isdigit()]
want = open(sys.argv[2], encoding="utf-8").read().split()
total = [r[-1] for r in rows if str(r[0]).replace(" ", "") == "合计"]
if got != want or len(total) != 1 or f"{total[0]:.2f}" != f"{sum(float(w.split('|')[1]) for w in want):.2f}":
    sys.exit(f"file rows {got}, totals {total}; database {want}")
EOF

# --- every way of closing a window -----------------------------------------------------------
step "退出 closes the query window, and the host lives on"
front
click "$MAIN" "${BTN_EXIT[@]}"
wait_title "$BASE"
sleep 1
alive
shot after-exit

step "opened again from the menu's keys, closed with its close box"
open_query_window
click "$MAIN" "${CLOSE_BOX[@]}"
wait_title "$BASE"
sleep 1
alive
shot after-close-box

step "opened again, closed with Ctrl+F4"
open_query_window
key ctrl+F4
wait_title "$BASE"
sleep 1
alive

step "a report and its drill-down, closed together through 窗口 → 全部关闭"
open_query_window
refresh_and_drill
click "$MAIN" "${MENU_WINDOW[@]}"
shot window-menu
key l
wait_title "$BASE"
sleep 1
alive

step "quitting the host with a report and a drill-down open"
open_query_window
refresh_and_drill
shot before-quit
front
key alt+F4
for _ in $(seq 150); do kill -0 "$HPID" 2>/dev/null || break; sleep 0.2; done
kill -0 "$HPID" 2>/dev/null && fail "the host did not end"
wait "$HPID"
RC=$?
HPID=""
[ "$RC" -eq 0 ] || fail "the host ended with status $RC"
[ -s "$WORK/host.out" ] && fail "the host wrote to stdout: $(head -c 500 "$WORK/host.out")"
grep -qE 'Sanitizer|runtime error:' "$WORK/host.err" && fail "sanitizer report"
echo "$TAG: $N steps passed; screenshots in $ART"
