#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `corvane-ctl status --json`, each run a whole process, three ways in one
# session of the end-to-end scenario (tests/e2e/session.sh), a v2000
# controller each time:
#
#  1. the simulated build (sim/corvane-ctl, handing over to
#     sim/corvane-ctl-direct and the simulated plug-in), no panel; then the
#     same inside corvane-devbench, where it only pays for the preload;
#  2. the shipped build (corvane-ctl, handing over to corvane-ctl-direct
#     and generic/libcvhidprt_qt5.so on the system's hidapi), no panel,
#     through a hidraw node of corvane-devbench;
#  3. the shipped tool through the shipped panel (corvane-control inside the
#     same bench, connected to that node) over the session bus.
#
#   bench/process/devbench.sh [build folder] [runs, default 50]
#
# Each run is timed from just before its start to its end (bash's
# EPOCHREALTIME around the whole process). Needs the targets corvane-demo,
# corvane-e2e-helper and corvane-shipped-demo, and corvane-ctl:
#
#   cmake --build build -j2 --target corvane-demo corvane-e2e-helper corvane-shipped-demo corvane-ctl
set -uo pipefail
source "$(dirname "$0")/common.sh"
runs=${2:-50}
BENCH="$E2E_BUILD/sim/devbench/corvane-devbench"

panel_connected() {
  "$E2E_BUILD/corvane-ctl" status --json 2>/dev/null | grep -q '"connected":true,.*"source":"panel"'
}

# The second half runs inside the bench, in the session of the first.
if [ "${3:-}" = inside ]; then
  time_status "1b. simulated build, direct, inside the bench (its preload only)" "$E2E_BUILD/sim/corvane-ctl" direct
  time_status "2. shipped corvane-ctl, direct, emulated hidraw node" "$E2E_BUILD/corvane-ctl" direct
  export CORVANE_E2E_PROGRAM="$E2E_BUILD/corvane-control"
  e2e_launch
  e2e_wait_window
  e2e_wait_for 20 panel_connected || e2e_fail "the shipped panel did not open the controller"
  time_status "3. shipped corvane-ctl through the shipped panel" "$E2E_BUILD/corvane-ctl" panel
  end_program
  exit 0
fi

[ -x "$BENCH" ] || e2e_fail "no $BENCH: build the target corvane-shipped-demo"
e2e_need_tools
e2e_start_session
describe_machine
export CORVANE_SIM_DEVICES=v2000 E2E_WORK
time_status "1. simulated build, direct" "$E2E_BUILD/sim/corvane-ctl" direct
"$BENCH" -- bash "$0" "$E2E_BUILD" "$runs" inside || e2e_fail "the run inside the bench failed"
