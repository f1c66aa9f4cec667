#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up: from launching the program (a simulated v2000 controller plugged
# in) to its window being mapped, and to the read with which it opens the
# controller, minus the 1.5 s of splash pauses the program must make.
#
#   bench/process/startup.sh [build folder] [runs, default 15]
#
# The window: the X server's MapNotify for the top-level window titled
# "Corvantis", timed by corvane-e2e-helper wait-mapped. The controller: the
# third status read in the simulator's log (the v1100 probe, the v2000 probe,
# then the read at open that fills every property), timed as the line reaches
# a reader that follows the log (tail -F). One X server and tray for all runs;
# every run is a first launch with a log of its own.
set -uo pipefail
source "$(dirname "$0")/common.sh"
runs=${2:-15}

# Prints the epoch time at which the <n>th get reaches the log.
time_nth_get() {
  local n=$1 seen=0
  while read -r _ _ op _; do
    if [ "$op" = get ]; then
      seen=$(( seen + 1 ))
      if [ "$seen" -eq "$n" ]; then
        echo "$EPOCHREALTIME"
        return
      fi
    fi
  done < <(timeout 60 tail -n +1 -F "$CORVANE_SIM_LOG" 2>/dev/null)
}

e2e_need_tools
e2e_start_session
e2e_start_tray
describe_machine
export CORVANE_SIM_DEVICES=v2000

windows=()
connections=()
for run in $(seq "$runs"); do
  export CORVANE_SIM_LOG="$E2E_WORK/startup-$run.log"
  : >"$CORVANE_SIM_LOG"
  "$CORVANE_E2E_HELPER" wait-mapped "$E2E_TITLE" 60000 >"$E2E_WORK/mapped" &
  mapper=$!
  e2e_wait_for 10 grep -q ready "$E2E_WORK/mapped" || e2e_fail "the map watcher did not start"
  time_nth_get 3 >"$E2E_WORK/connected" &
  reader=$!
  sleep 0.2   # the reader's tail is in place

  e2e_launch
  wait "$mapper" || e2e_fail "the window was not mapped"
  wait "$reader"
  mapped=$(tail -n1 "$E2E_WORK/mapped")
  connected=$(cat "$E2E_WORK/connected")
  [ -n "$connected" ] || e2e_fail "the controller was not opened"
  window_ms=$(awk -v t="$(ms_between "$E2E_LAUNCHED" "$mapped")" -v s="$SPLASH_PAUSES_MS" 'BEGIN { print t - s }')
  connection_ms=$(awk -v t="$(ms_between "$E2E_LAUNCHED" "$connected")" -v s="$SPLASH_PAUSES_MS" 'BEGIN { print t - s }')
  printf 'run %2d: window mapped %7.1f ms, controller opened %7.1f ms (after the splash pauses)\n' \
    "$run" "$window_ms" "$connection_ms"
  windows+=("$window_ms")
  connections+=("$connection_ms")
  end_program
done

echo "median of $runs runs: window mapped $(median "${windows[@]}") ms," \
  "controller opened $(median "${connections[@]}") ms after the splash pauses (target <= 150 ms)"
echo "lowest: window mapped $(printf '%s\n' "${windows[@]}" | sort -g | head -n1) ms," \
  "controller opened $(printf '%s\n' "${connections[@]}" | sort -g | head -n1) ms"
