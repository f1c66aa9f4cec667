#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# User action to first report on the wire: a click on the G1 slider (one
# page step, alternately up and down) to the first fan command of the
# simulated v2000 controller in its log, 06 A0 B0 00 B0 dd C0 10 A1. With
# "Change Boost" (on by default) the first command is the top level for fan 0,
# scheduled 10 ms after the change; target: at most that delay + 3 ms.
#
#   bench/process/latency.sh [build folder] [moves, default 20]
#
# The action is timed where the program takes it: its debug line
# "control_fans(%d,%d)", stamped by Qt's message pattern with the wall clock
# (milliseconds, UTC). The report is timed in the simulator's log, whose
# clock counts milliseconds from the simulator's start. The two clocks are
# tied together by a reader that follows the log (tail -F) and stamps every
# line with the wall clock as it arrives: each stamp is a little after the
# line was written, so the smallest difference between stamp and logged time,
# over the run's hundred-odd lines, is the simulator clock's start plus
# well under a millisecond. Both clocks count whole milliseconds, so a single
# figure is good to about +-1 ms; the median of the moves is reported.
set -uo pipefail
source "$(dirname "$0")/common.sh"
moves=${2:-20}

e2e_need_tools
e2e_start_session
e2e_start_tray
describe_machine
export TZ=UTC0
export QT_LOGGING_RULES="corvane.app.window.debug=true"
export QT_MESSAGE_PATTERN='%{time HH:mm:ss.zzz} %{message}'
: >"$CORVANE_SIM_LOG"
timeout $(( moves * 2 + 120 )) tail -n +1 -F "$CORVANE_SIM_LOG" 2>/dev/null | while read -r ms _; do
  echo "$EPOCHREALTIME $ms"
done >"$E2E_WORK/stamps" &
E2E_PIDS+=($!)

launch_connected v2000
e2e_load_points horizontalSliderFanG1
sleep 1
for move in $(seq "$moves"); do
  if (( move % 2 )); then e2e_click horizontalSliderFanG1 95; else e2e_click horizontalSliderFanG1 5; fi
  sleep 1.5   # the boost's second stage, at 1000 ms, is through
done
sleep 1

# The epoch time of the simulator clock's zero.
sim_zero=$(awk '$2 ~ /^[0-9]+$/ { d = $1 - $2 / 1000; if (!n++ || d < zero) zero = d } END { printf "%.6f", zero }' "$E2E_WORK/stamps")
day=$(( ${E2E_LAUNCHED%.*} / 86400 * 86400 ))
latencies=$(
  grep -E '^[0-9:.]+ control_fans\(' "$E2E_WORK/program.out" | awk -v day="$day" '
    { split($1, t, ":"); printf "%.3f\n", day + t[1] * 3600 + t[2] * 60 + t[3] }' |
  while read -r action; do
    # The first fan 0 command logged at or after the action's millisecond.
    awk -v zero="$sim_zero" -v action="$action" '
      $3 == "send" && $4 ~ /^06a0b000b0..c010a1/ && zero + $1 / 1000 >= action - 0.001 {
        printf "%.1f\n", (zero + $1 / 1000 - action) * 1000; exit
      }' "$CORVANE_SIM_LOG"
  done
)
count=$(wc -l <<<"$latencies")
echo "action to first fan report, $count moves: median $(median $latencies) ms," \
  "lowest $(sort -g <<<"$latencies" | head -n1) ms, highest $(sort -g <<<"$latencies" | tail -n1) ms" \
  "(scheduled 10 ms; target <= 13 ms)"
end_program
