# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end scenarios and by the whole-process benchmarks: an
# X server of their own (scripts/lib/xsession.sh: Xvfb, optionally with
# trayer as the system tray), a user of their own (home, XDG folders and the
# temporary folder, which also keeps the program's instance marker apart from
# any other run), the simulator's control FIFO and report log, and the
# program itself.
#
# Needs CORVANE_E2E_PROGRAM (the build's sim/corvane-control) and
# CORVANE_E2E_HELPER (the build's tests/e2e/corvane-e2e-helper).
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib/xsession.sh"

E2E_TITLE=Corvantis
E2E_PIDS=()
E2E_PROGRAM_PID=

e2e_fail() {
  echo "FAIL: $*" >&2
  if [ -s "${CORVANE_SIM_LOG:-}" ]; then
    echo "--- last lines of the simulator log" >&2
    tail -n 30 "$CORVANE_SIM_LOG" | cut -c1-60 >&2
  fi
  if [ -s "${E2E_WORK:-}/program.out" ]; then
    echo "--- last lines of the program's output" >&2
    tail -n 30 "$E2E_WORK/program.out" >&2
  fi
  exit 1
}

# Exits with 77 (skipped) when a tool the session needs is missing.
e2e_need_tools() {
  local tool
  for tool in Xvfb xdotool trayer "$@"; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  [ -x "${CORVANE_E2E_PROGRAM:-}" ] || e2e_fail "no program at CORVANE_E2E_PROGRAM='${CORVANE_E2E_PROGRAM:-}'"
  [ -x "${CORVANE_E2E_HELPER:-}" ] || e2e_fail "no helper at CORVANE_E2E_HELPER='${CORVANE_E2E_HELPER:-}'"
}

# e2e_wait_for <seconds> <command...>: retries the command every 20 ms until it succeeds.
e2e_wait_for() {
  xsession_wait_for "$@"
}

e2e_start_session() {
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/corvane-e2e.XXXXXX")
  trap e2e_finish EXIT
  mkdir -p "$E2E_WORK"/{home,config,data,cache,runtime,tmp}
  chmod 700 "$E2E_WORK/runtime"
  export HOME="$E2E_WORK/home" XDG_CONFIG_HOME="$E2E_WORK/config" XDG_DATA_HOME="$E2E_WORK/data"
  export XDG_CACHE_HOME="$E2E_WORK/cache" XDG_RUNTIME_DIR="$E2E_WORK/runtime" TMPDIR="$E2E_WORK/tmp"
  export CORVANE_SIM_DEVICES="${CORVANE_SIM_DEVICES-}"
  export CORVANE_SIM_LOG="$E2E_WORK/sim.log" CORVANE_SIM_CONTROL="$E2E_WORK/sim.control"
  export QT_QPA_PLATFORM=xcb
  unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
  e2e_start_session_bus
  xsession_start || e2e_fail "Xvfb did not start"
}

# A desktop session has a D-Bus session bus; without one every Qt program
# tries to start one on its own (dbus-launch --autolaunch), which costs time
# and would distort the start-up figures. Skipped where dbus-daemon is missing.
e2e_start_session_bus() {
  command -v dbus-daemon >/dev/null || return 0
  dbus-daemon --session --nofork --nopidfile --print-address=3 3>"$E2E_WORK/bus" 2>/dev/null &
  E2E_PIDS+=($!)
  e2e_wait_for 10 test -s "$E2E_WORK/bus" || e2e_fail "the D-Bus session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$E2E_WORK/bus")
}

e2e_start_tray() {
  xsession_start_tray "$CORVANE_E2E_HELPER" wait-tray 30000 || e2e_fail "trayer did not take the system tray"
}

# Kills what the session started and removes the marker the program leaves.
e2e_finish() {
  local pid
  for pid in "$E2E_PROGRAM_PID" "${E2E_PIDS[@]}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  xsession_stop
  wait 2>/dev/null
  [ -n "${E2E_WORK:-}" ] || return 0
  "$CORVANE_E2E_HELPER" release-marker 2>/dev/null
  if [ -n "${E2E_KEEP:-}" ]; then
    echo "kept: $E2E_WORK"
  else
    rm -rf "$E2E_WORK"
  fi
}

# Starts the program in the background (E2E_PROGRAM_PID); E2E_LAUNCHED is the
# epoch time just before.
e2e_launch() {
  E2E_LAUNCHED=$EPOCHREALTIME
  "$CORVANE_E2E_PROGRAM" >>"$E2E_WORK/program.out" 2>&1 &
  E2E_PROGRAM_PID=$!
}

e2e_program_runs() {
  kill -0 "$E2E_PROGRAM_PID" 2>/dev/null
}

# The program has ended: it is gone or waits only to be reaped.
e2e_program_ended() {
  local state
  state=$(ps -o stat= -p "$E2E_PROGRAM_PID" 2>/dev/null)
  [ -z "$state" ] || [[ $state == Z* ]]
}

# The ids of the program's mapped windows titled Corvantis.
e2e_visible_windows() {
  xsession_windows "^$E2E_TITLE\$"
}

e2e_window_shown() {
  [ -n "$(e2e_visible_windows)" ]
}

e2e_window_hidden() {
  [ -z "$(e2e_visible_windows)" ]
}

# Asks the window to close, as its title bar's close button would, and waits
# until it is hidden (in the tray).
e2e_close_window() {
  "$CORVANE_E2E_HELPER" close "$E2E_WINDOW" && e2e_wait_for 5 e2e_window_hidden
}

# Waits for the window and for the simulator's control FIFO; sets E2E_WINDOW.
e2e_wait_window() {
  xsession_wait_window "^$E2E_TITLE\$" "${1:-60}" || e2e_fail "the window did not show"
  E2E_WINDOW=$XSESSION_WINDOW
  e2e_wait_for 10 test -p "$CORVANE_SIM_CONTROL" || e2e_fail "no control FIFO at $CORVANE_SIM_CONTROL"
}

# e2e_control <line>: one line to the simulator. The program keeps the FIFO
# open while it runs; without it, opening the FIFO would block.
e2e_control() {
  e2e_program_runs || e2e_fail "the program is gone"
  printf '%s\n' "$*" >"$CORVANE_SIM_CONTROL"
}

# Widget places in the window, from the form: E2E_AT[<name>]="x y width height".
declare -A E2E_AT
e2e_load_points() {
  local name x y w h
  while read -r name x y w h; do
    E2E_AT[$name]="$x $y $w $h"
  done < <("$CORVANE_E2E_HELPER" points "$@" 2>/dev/null) || true
  for name in "$@"; do
    [ -n "${E2E_AT[$name]:-}" ] || e2e_fail "the form has no widget $name"
  done
}

# e2e_grab <widget>: a checksum of what the widget shows now.
e2e_grab() {
  local x y w h
  read -r x y w h <<<"${E2E_AT[$1]}"
  "$CORVANE_E2E_HELPER" grab "$E2E_WINDOW" "$x" "$y" "$w" "$h"
}

# e2e_click <widget> [where across it, in percent of its width; 50 = the middle]
e2e_click() {
  local x y w h winx winy
  read -r x y w h <<<"${E2E_AT[$1]}"
  read -r winx winy < <(xdotool getwindowgeometry --shell "$E2E_WINDOW" |
    awk -F= '$1 == "X" { x = $2 } $1 == "Y" { y = $2 } END { print x, y }')
  xdotool mousemove $(( winx + x + w * ${2:-50} / 100 )) $(( winy + y + h / 2 )) click 1
}

# --- the simulator's log: "<ms> <path> <op> <buffer as hex>" or "<ms> <plug|unplug> <path>"

e2e_log_size() {
  if [ -f "$CORVANE_SIM_LOG" ]; then wc -l <"$CORVANE_SIM_LOG"; else echo 0; fi
}

# e2e_log_since <line count>: the lines written after the first <line count>.
e2e_log_since() {
  tail -n +"$(( $1 + 1 ))" "$CORVANE_SIM_LOG" 2>/dev/null
}

# e2e_log_has <since> <awk condition>: some line after <since> matches. In the
# condition, $2 is the path, $3 the operation and id the report id (hex).
e2e_log_has() {
  e2e_log_since "$1" | awk "{ id = substr(\$4, 1, 2) } $2 { found = 1; exit } END { exit !found }"
}

# e2e_log_count <since> <awk condition>
e2e_log_count() {
  e2e_log_since "$1" | awk "{ id = substr(\$4, 1, 2) } $2 { n++ } END { print n + 0 }"
}

# The path that the latest plug line names.
e2e_last_plugged() {
  awk '$2 == "plug" { path = $3 } END { print path }' "$CORVANE_SIM_LOG"
}

# e2e_plug <item as in CORVANE_SIM_DEVICES> [control command]: plugs a
# controller through the control FIFO (the line goes through e2e_control
# unless another command is given) and waits for the plug line. Sets
# E2E_PLUG_MARK to the log size before and PLUGGED to the controller's path.
e2e_plug() {
  E2E_PLUG_MARK=$(e2e_log_size)
  "${2:-e2e_control}" "plug $1"
  e2e_wait_for 10 e2e_log_has "$E2E_PLUG_MARK" '$2 == "plug"' || e2e_fail "the plug line did not arrive"
  PLUGGED=$(e2e_last_plugged)
}

# --- steps of a scenario

e2e_step() { echo "== $*"; }

# e2e_polls_ok <since> <path> <report id> <count>: at least <count> polls, reads
# of that report after <since> and after the burst of reads at open (half a
# second: on the I/O thread under load they spread past 200 ms), each at
# least 900 ms after the poll before it. The first read after <since> may be a
# poll that an exchange just before held back; the timer keeps its beat, so
# the poll after it may come sooner.
e2e_polls_ok() {
  e2e_log_since "$1" | awk -v path="$2" -v id="$3" -v want="$4" '
    $2 == path && $3 == "get" && substr($4, 1, 2) == id {
      if (n == 0) { first = $1 }
      else if ($1 - first >= 500) {
        if (polls && $1 - last < 900) { bad = 1 }
        polls++
      }
      last = $1; n++
    }
    END { exit !(polls >= want && !bad) }'
}

# The report ids of the gets on <path> after <since>, in order, one line.
e2e_gets_on() {
  e2e_log_since "$1" | awk -v path="$2" '$2 == path && $3 == "get" { printf "%s ", substr($4, 1, 2) }'
}

# Waits until the controller at <path> is open: the log shows the read at open
# followed by the first poll.
e2e_wait_polled() {
  e2e_wait_for 10 e2e_polls_ok "$1" "$2" "$3" 2 || e2e_fail "$2 is not polled: $(e2e_gets_on "$1" "$2")"
}

# e2e_switch_led_on <path> <report prefix>: the LED switch, and the report it sends.
# A controller is plugged with its LED off, and the window follows it.
e2e_switch_led_on() {
  local since
  since=$(e2e_log_size)
  e2e_click horizontalSliderLEDPower 90
  e2e_wait_for 5 e2e_log_has "$since" "\$2 == \"$1\" && \$3 == \"send\" && index(\$4, \"$2\") == 1" ||
    e2e_fail "the LED switch sent nothing to $1"
}

# --- the tray icon and its menu

# The program's mapped windows: the main window, the splash screen, the tray
# icon and an open menu.
e2e_program_windows() {
  xdotool search --onlyvisible --class '^corvane-control$' 2>/dev/null
}

e2e_top_level() {
  xwininfo -tree -id "$1" 2>/dev/null | grep -q 'Parent window id: .*(the root window)'
}

# Sets E2E_TRAY_ICON to the program's window docked in the tray.
e2e_tray_icon_found() {
  local window
  E2E_TRAY_ICON=
  for window in $(e2e_program_windows); do
    e2e_top_level "$window" || E2E_TRAY_ICON=$window
  done
  [ -n "$E2E_TRAY_ICON" ]
}

# Sets E2E_MENU to an open menu: a top-level window besides the main window.
e2e_menu_found() {
  local window
  E2E_MENU=
  for window in $(e2e_program_windows); do
    [ "$window" != "$E2E_WINDOW" ] && e2e_top_level "$window" && E2E_MENU=$window
  done
  [ -n "$E2E_MENU" ]
}

# e2e_tray_exit <seconds>: opens the tray icon's menu with a right click and
# clicks its last entry, Exit; the menu may take that long to open in a
# program whose event loop is held up.
e2e_tray_exit() {
  local x y w h
  e2e_wait_for 10 e2e_tray_icon_found || e2e_fail "no tray icon"
  xdotool mousemove --window "$E2E_TRAY_ICON" 4 4 click 3
  e2e_wait_for "$1" e2e_menu_found || e2e_fail "the tray icon's menu did not open"
  read -r x y w h < <(xdotool getwindowgeometry --shell "$E2E_MENU" |
    awk -F= '{ v[$1] = $2 } END { print v["X"], v["Y"], v["WIDTH"], v["HEIGHT"] }')
  xdotool mousemove $(( x + w / 2 )) $(( y + h - 8 )) click 1
}
