# The X session of the walks through the real host: an X server (Xvfb) with a window manager
# (openbox), the host started on it, and the steps' helpers (screenshots, waiting, clicks and keys
# as X events from xdotool). Sourced by a walk, which sets TAG (its name in the log), WORK (a
# scratch folder), ART (the screenshots' folder), HOST and MODULE; SCALE (1 or 2) is the host's
# scale factor, by which every click's coordinates are multiplied.
SCALE="${SCALE:-1}"
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
step() { N=$((N + 1)); STEP="$1"; echo "$TAG: $N. $STEP"; }
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

# click WINDOW X Y [COUNT]: a click at X,Y of the window's inside (not its frame), in the window's
# own units: multiplied by SCALE on the screen.
click() {
  local geometry x y
  geometry="$(xwininfo -id "$1")" || fail "the window $1 is gone"
  x="$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry")"
  y="$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry")"
  xdotool mousemove --sync $((x + $2 * SCALE)) $((y + $3 * SCALE)) click --repeat "${4:-1}" --delay 80 1
  sleep 0.3
}
# point WINDOW X Y: the pointer moved to X,Y of the window's inside, no click.
point() {
  local geometry
  geometry="$(xwininfo -id "$1")" || fail "the window $1 is gone"
  xdotool mousemove --sync $(($(sed -n 's/.*Absolute upper-left X: *//p' <<<"$geometry") + $2 * SCALE)) \
    $(($(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$geometry") + $3 * SCALE))
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

# The host's and the query window's titles, and where a clerk clicks inside the main window.
BASE="预算与支付管理系统"
QUERY="$BASE - [支付范围划分汇总组合查询]"
# Where the clerk clicks, inside the main window (its design size on a 1280×1024 screen).
MENU_MODULE=(98 8) MENU_MODULE_ITEM=(139 35) MENU_WINDOW=(169 8)
BTN_EXPORT=(49 73) BTN_PREVIEW=(121 73) BTN_CHART=(370 73) BTN_EXIT=(438 76)
BOX_SUBJECT=(777 153) FIRST_ROW=(202 446) CLOSE_BOX=(1045 31) BOX_COLUMNS=(840 239)

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

# start_x WIDTHxHEIGHT: the X server and the window manager.
start_x() {
  exec 3>"$WORK/display"
  Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
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
}

# start_host DATABASE_FILE: the host on the database, its main window found as MAIN (titled BASE).
start_host() {
  export HOME="$WORK/home" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK/run"
  mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS
  [ "$SCALE" -gt 1 ] && export QT_SCALE_FACTOR="$SCALE"
  "$HOST" --module "$MODULE" --db "Provider=SQLite;Data Source=$1;Mode=Read" --year 2010 \
    >"$WORK/host.out" 2>"$WORK/host.err" &
  HPID=$!
  MAIN=""
  find_main() { MAIN="$(window "$BASE")"; [ -n "$MAIN" ]; }
  wait_for 60 "the host's main window" find_main
  sleep 0.5
}
