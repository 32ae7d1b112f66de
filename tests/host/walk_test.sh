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
XPID="" WMPID="" HPID="" STEP="start" N=0

cleanup() {
  [ -n "$HPID" ] && kill "$HPID" 2>/dev/null
  [ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

shot() { import -window root "$ART/$(printf '%02d' "$N")-$1.png" 2>/dev/null; }
step() { N=$((N + 1)); STEP="$1"; echo "walk: $N. $STEP"; }
fail() {
  echo "FAIL [step $N: $STEP]: $*" >&2
  shot failed
  echo "--- the host's stderr:" >&2
  cat "$WORK/host.err" >&2
  exit 1
}

# The host still runs (a crash is named with its signal).
alive() {
  kill -0 "$HPID" 2>/dev/null && return 0
  wait "$HPID"
  local rc=$?
  HPID=""
  fail "the host ended with status $rc"
}

# above A B: window A lies above window B in the window manager's stacking order.
above() {
  local i=0 a="" b="" id
  for id in $(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'); do
    i=$((i + 1))
    [ $((id)) -eq "$1" ] && a=$i
    [ $((id)) -eq "$2" ] && b=$i
  done
  [ -n "$a" ] && [ -n "$b" ] && [ "$a" -gt "$b" ]
}

# wait_for SECONDS WHAT COMMAND...: polls COMMAND until it succeeds.
wait_for() {
  local limit=$(($1 * 5)) what="$2"; shift 2
  for _ in $(seq "$limit"); do
    "$@" && return 0
    alive
    sleep 0.2
  done
  fail "waited in vain for $what"
}

window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window "$1")" ]; }
no_window() { [ -z "$(window "$1")" ]; }
title_is() { [ "$(xdotool getwindowname "$MAIN" 2>/dev/null)" = "$1" ]; }
wait_title() { wait_for "${2:-30}" "the main window's title \"$1\"" title_is "$1"; }

# click WINDOW X Y [COUNT]: a click at X,Y of the window's inside (not its frame).
click() {
  local geometry x y
  geometry="$(xwininfo -id "$1")" || fail "the window $1 is gone"
  x="$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")"
  y="$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")"
  xdotool mousemove --sync $((x + $2)) $((y + $3)) click --repeat "${4:-1}" --delay 80 1
  sleep 0.3
}
# point WINDOW X Y: the pointer moved to X,Y of the window's inside, no click.
point() {
  local geometry
  geometry="$(xwininfo -id "$1")" || fail "the window $1 is gone"
  xdotool mousemove --sync $(($(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry") + $2)) \
    $(($(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry") + $3))
  xdotool mousemove_relative --sync 2 1
}
key() { xdotool key --delay 60 "$@"; sleep 0.3; }
front() { xdotool windowactivate --sync "$MAIN" 2>/dev/null; sleep 0.2; }

# retry SECONDS WHAT CHECK -- ACTION...: repeats ACTION until CHECK succeeds (the window may still be
# busy with its Refresh when the first click comes).
retry() {
  local limit="$1" what="$2" check="$3"; shift 4
  for _ in $(seq $((limit / 2))); do
    "$@"
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      eval "$check" && return 0
      alive
      sleep 0.2
    done
  done
  fail "waited in vain for $what"
}

BASE="预算与支付管理系统"
QUERY="$BASE - [支付范围划分汇总组合查询]"
# Where the clerk clicks, inside the main window (its design size on a 1280×1024 screen).
MENU_MODULE=(98 8) MENU_MODULE_ITEM=(139 35) MENU_WINDOW=(169 8)
BTN_EXPORT=(49 73) BTN_PREVIEW=(121 73) BTN_CHART=(370 73) BTN_EXIT=(438 76)
BOX_SUBJECT=(777 153) FIRST_ROW=(202 446) CLOSE_BOX=(1045 31)

open_query_window() {
  front
  key alt+m Return
  wait_title "$QUERY"
}
refresh_and_drill() {
  key F5
  retry 30 "the drill-down of the first row" 'xdotool getwindowname "$MAIN" | grep -q "明细 - 001001"' \
    -- click "$MAIN" "${FIRST_ROW[@]}" 2
}

# --- the X server, the window manager and the host --------------------------------------------
step "start the X server, the window manager and the host"
"$TREE/demo-gen" --sqlite "$WORK/demo.sqlite" >/dev/null 2>&1 || fail "cannot create the demo database"
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XPID=$!
exec 3>&-
wait_display() { [ -s "$WORK/display" ]; }
for _ in $(seq 100); do wait_display && break; sleep 0.1; done
wait_display || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
export DISPLAY=":$(head -n 1 "$WORK/display")"
openbox --sm-disable >"$WORK/openbox.log" 2>&1 &
WMPID=$!
# openbox names itself on the root window once its start-up is over; a window mapped before that
# may stay unmanaged, and so unmapped.
wm_ready() { xprop -root _OB_VERSION 2>/dev/null | grep -q '='; }
for _ in $(seq 100); do wm_ready && break; sleep 0.1; done
wm_ready || fail "openbox did not start: $(cat "$WORK/openbox.log")"
sleep 0.5

export HOME="$WORK/home" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
"$HOST" --module "$MODULE" --db "Provider=SQLite;Data Source=$WORK/demo.sqlite;Mode=Read" --year 2010 \
  >"$WORK/host.out" 2>"$WORK/host.err" &
HPID=$!
MAIN=""
find_main() { MAIN="$(window "$BASE")"; [ -n "$MAIN" ]; }
wait_for 60 "the host's main window" find_main
sleep 0.5
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
echo "walk: $N steps passed; screenshots in $ART"
