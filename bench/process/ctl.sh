#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# corvane-ctl side by side, in one session (tests/e2e/session.sh):
#
#  1. `corvane-ctl status` with no panel, opening a simulated v2000
#     controller directly through the plug-in beside it;
#  2. `corvane-ctl status` against the running panel (sim/corvane-control,
#     v2000 connected) over the session bus;
#  3. the CPU that `corvane-ctl monitor --json` uses over the given time,
#     through the panel and then directly.
#
#   bench/process/ctl.sh [build folder] [runs, default 50] [seconds of monitor, default 60]
#
# Each status run is timed from just before its start to its end (bash's
# EPOCHREALTIME around the whole process); CPU is user plus system time from
# /proc/<pid>/stat before and after.
set -uo pipefail
source "$(dirname "$0")/common.sh"
runs=${2:-50}
seconds=${3:-60}
CTL="$E2E_BUILD/sim/corvane-ctl"
[ -x "$CTL" ] || e2e_fail "no $CTL: build the target corvane-demo"

# monitor_cpu <label>: a monitor for $seconds s, its CPU in % of one core.
monitor_cpu() {
  local pid before after lines
  "$CTL" monitor --json >"$E2E_WORK/monitor.out" 2>/dev/null &
  pid=$!
  sleep 1
  before=$(cpu_ticks "$pid")
  sleep "$seconds"
  after=$(cpu_ticks "$pid")
  kill -INT "$pid"
  wait "$pid" || e2e_fail "the monitor did not end cleanly on SIGINT"
  lines=$(wc -l <"$E2E_WORK/monitor.out")
  awk -v t=$(( after - before )) -v hz="$CLOCK_TICKS" -v s="$seconds" -v l="$lines" -v what="$1" \
    'BEGIN { printf "%s: %.3f %% of one core over %d s (%d clock ticks), %d lines\n", what, t / hz / s * 100, s, t, l }'
}

e2e_need_tools
e2e_start_session
describe_machine
export CORVANE_SIM_DEVICES=v2000

time_status "status, direct, simulated v2000 (target <= 60 ms)" "$CTL" direct
monitor_cpu "monitor --json, direct"

launch_connected v2000
time_status "status through the panel (target <= 15 ms)" "$CTL" panel
monitor_cpu "monitor --json through the panel"
