#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CPU use of the running program with a simulated v2000 controller that it
# polls once a second, both fan groups set to spin: first with the window on
# screen and its four fan blades turning, then hidden in the tray (trayer),
# each for the same time; then the peak resident memory (VmHWM) of the whole
# run.
#
#   bench/process/cpu.sh [build folder] [seconds per phase, default 60]
#
# CPU is user plus system time of all the program's threads from
# /proc/<pid>/stat, before and after each phase, as a share of one core.
set -uo pipefail
source "$(dirname "$0")/common.sh"
seconds=${2:-60}

# All four fans got a non-zero duty.
fans_spinning() {
  e2e_log_since 0 | awk '
    $3 == "send" && $4 ~ /^06a0b00[0-3]b0..c010a1/ && substr($4, 11, 2) != "00" {
      if (!spinning[substr($4, 8, 1)]++) fans++
    }
    END { exit !(fans == 4) }'
}

e2e_need_tools
e2e_start_session
e2e_start_tray
describe_machine
launch_connected v2000
e2e_load_points horizontalSliderFanG1 horizontalSliderFanG2
# Three page steps up on each group's slider.
for group in G1 G2; do
  for step in 1 2 3; do
    e2e_click "horizontalSliderFan$group" 95
    sleep 0.3
  done
done
e2e_wait_for 10 fans_spinning || e2e_fail "the fans did not get a duty"
sleep 2   # the boost's second stage is through

visible=$(cpu_share "$seconds")
echo "visible, four blades turning, polled: $visible % of one core over $seconds s"

e2e_close_window || e2e_fail "the window did not go to the tray"
sleep 2
hidden=$(cpu_share "$seconds")
echo "hidden in the tray, polled: $hidden % of one core over $seconds s (target <= 0.2 %)"

polls=$(e2e_log_count 0 '$3 == "get"')
echo "status reads in the whole run: $polls"
echo "peak resident memory (VmHWM): $(( $(peak_rss_kb "$E2E_PROGRAM_PID") / 1024 )) MB (target <= 60 MB)"
end_program
