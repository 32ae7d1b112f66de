#!/usr/bin/env bash
# tour_test.sh BINARY_DIR HOST MODULE SCREEN SCALE: the things a clerk reaches for every day, each
# left as a picture, in the real budget-host on an X server of SCREEN (e.g. 1024x768) with a window
# manager, the host at scale factor SCALE: the host and the query window (the filters' texts whole),
# a Refresh with its status line, find, the sheet's context menu, the guide, the 查询方案 menu,
# the chart (hover text, pie) and the 窗口 menu that lists it, the print preview, an export (the
# dialog and the box that names the file), the subject picker's search and a database that is not
# there told on opening. The pictures go to BINARY_DIR/test-artifacts/tour-SCREEN-xSCALE; a step
# that waits in vain fails the tour. Skipped (77) where the X tools are not installed.
set -u

TREE="$1" HOST="$2" MODULE="$3" SCREEN="$4" SCALE="$5"
for tool in Xvfb openbox xdotool xwininfo xprop import /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "tour: $tool is not installed: skipped"; exit 77; }
done

WORK="$(mktemp -d /tmp/authpay-tour.XXXXXX)"
ART="$TREE/test-artifacts/tour-$SCREEN-x$SCALE"
rm -rf "$ART" && mkdir -p "$ART"
TAG="tour $SCREEN x$SCALE"
source "$(dirname "$0")/xsession.sh"
BTN_PRESET=(307 73)

# A message box of the module (titled "Kestrelbay 7.1-…") is shown.
message_box() { [ -n "$(xdotool search --onlyvisible --name '^Kestrelbay 7.1-' 2>/dev/null | head -n 1)" ]; }
# The host's main window fills the screen.
fill_screen() {
  xdotool windowmove --sync "$MAIN" 0 0 2>/dev/null
  xdotool windowsize --sync "$MAIN" 100% 100% 2>/dev/null
  sleep 0.5
}

step "the host on the screen"
"$TREE/demo-gen" --sqlite "$WORK/demo.sqlite" >/dev/null 2>&1 || fail "cannot create the demo database"
start_x "$SCREEN"
start_host "$WORK/demo.sqlite"
fill_screen
shot host

step "the query window: every filter's text whole"
open_query_window
sleep 1
shot query-window

step "F5: the result, its rows and time in the status line"
key F5
sleep 3
shot result

step "Ctrl+F finds a unit in the sheet"
key ctrl+f
wait_for 10 "the find box" has_window "查找"
xdotool type --delay 40 "001005"
sleep 0.3
shot find
key Return
sleep 0.5
shot found

step "the sheet's context menu from the keyboard"
key Menu
sleep 0.5
shot context-menu
key Escape

step "F1: the window's guide"
key F1
sleep 1.5
shot guide
key Escape
sleep 0.5

step "the 查询方案 menu, 上次条件 first"
front
click "$MAIN" "${BTN_PRESET[@]}"
sleep 0.5
shot presets
key Escape

step "the chart: hover text, then the pie"
retry 30 "the chart window" 'has_window 图表' -- click "$MAIN" "${BTN_CHART[@]}"
CHART="$(window 图表)"
sleep 1
point "$CHART" 230 120
sleep 1
shot chart-hover
click "$CHART" 40 20       # 条形图 / 饼图
key Down Return
sleep 1
shot chart-pie

step "the 窗口 menu lists the chart"
front
click "$MAIN" "${MENU_WINDOW[@]}"
sleep 0.5
shot window-menu
key Escape
xdotool windowactivate --sync "$CHART" 2>/dev/null
key alt+F4
wait_for 10 "the chart window to close" no_window "图表"

step "the print preview"
front
click "$MAIN" "${BTN_PREVIEW[@]}"
wait_for 30 "the print preview" has_window "打印预览"
sleep 1
shot preview
key Escape
wait_for 10 "the preview to close" no_window "打印预览"

step "an export: the dialog, then the box that names the file"
front
click "$MAIN" "${BTN_EXPORT[@]}"
wait_for 30 "the save dialog" has_window "另存为"
sleep 0.5
shot save-dialog
xdotool type --delay 20 "$WORK/tour.xlsx"
key Return
wait_for 30 "the export's message" message_box
shot exported
key Return
[ -s "$WORK/tour.xlsx" ] || fail "no file was written"

step "the subject picker's search finds a code whose branch is not open"
front
click "$MAIN" "${BOX_SUBJECT[@]}" 2
wait_for 30 "the subject picker" has_window "预算科目"
key ctrl+f
xdotool type --delay 60 "学前"
sleep 1.5
shot picker-search
key Escape Escape
wait_for 10 "the picker to close" no_window "预算科目"

step "列维度: the fund natures across the columns"
front
click "$MAIN" "${BOX_COLUMNS[@]}"
sleep 0.5
key Down Return
key F5
sleep 3
shot spread

step "a database that is not there is told when the window opens"
kill "$HPID" 2>/dev/null
wait "$HPID" 2>/dev/null
HPID=""
start_host "$WORK/missing.sqlite"
fill_screen
open_query_window
wait_for 10 "the message that the database is not there" message_box
shot missing-database
key Return
echo "$TAG: $N steps passed; pictures in $ART"
