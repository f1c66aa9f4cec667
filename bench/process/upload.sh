#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# LED law upload time against the pauses the protocols mandate, for a
# simulated v2000 and then a v1100 controller: the colour buttons are
# clicked in turn, and each upload is timed in the simulator's log from its
# first report (LED off) to its last (LED on).
#
#   bench/process/upload.sh [build folder] [uploads per controller, default 14]
#
# Mandated pauses between those two reports: v2000 130 ms (10 ms after LED
# off, 10 ms after each of the 12 block reports; a last 10 ms follows the LED
# on, after the last report, for 140 ms in all); v1100 320 ms (100 ms after
# LED off, 12 x 10 ms, 100 ms before LED on). Target: within 5 % of them.
set -uo pipefail
source "$(dirname "$0")/common.sh"
uploads=${2:-14}

# upload_spans <LED off report> <LED on report>: the span of every upload in
# the log, in ms, one a line.
upload_spans() {
  awk -v off="$1" -v on="$2" '
    $3 != "send" { next }
    index($4, off) == 1 { start = $1; next }
    index($4, on) == 1 && start != "" { print $1 - start; start = "" }' "$CORVANE_SIM_LOG"
}

# measure <controller> <LED off report> <LED on report> <mandated ms>
measure() {
  local controller=$1 off=$2 on=$3 mandated=$4 spans button
  export CORVANE_SIM_LOG="$E2E_WORK/upload-$controller.log"
  launch_connected "$controller"
  e2e_load_points horizontalSliderLEDPower pushButtonLedC{0..13}
  e2e_click horizontalSliderLEDPower 90
  sleep 1
  for button in $(seq 0 $(( uploads - 1 ))); do
    e2e_click "pushButtonLedC$(( button % 14 ))"
    sleep 0.8
  done
  spans=$(upload_spans "$off" "$on")
  [ "$(wc -l <<<"$spans")" -eq "$uploads" ] || e2e_fail "expected $uploads uploads in the log, got: $spans"
  echo "$controller: $uploads uploads, first to last report: median $(median $spans) ms," \
    "lowest $(sort -g <<<"$spans" | head -n1) ms, highest $(sort -g <<<"$spans" | tail -n1) ms;" \
    "mandated $mandated ms, 5 % over is $(( mandated * 105 / 100 )) ms"
  echo "$controller: peak resident memory (VmHWM) $(( $(peak_rss_kb "$E2E_PROGRAM_PID") / 1024 )) MB"
  end_program
}

e2e_need_tools
e2e_start_session
e2e_start_tray
describe_machine
# The LED switch sends an LED on report of its own before the uploads: the
# awk above only counts an LED on that follows an LED off.
measure v2000 06a0b000c020a1 06a0b001c020a1 130
measure v1100 0a0100 0a0101 320
