#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A controller that stays on the bus but stops answering, each exchange with
# it waiting 5 s as the kernel's USB control timeout makes it wait, in the
# real program (sim/corvane-control) on Xvfb with trayer as the system tray:
# Exit from the tray menu still ends the program, with status 0. How the
# window lets a silent controller go and takes it again is devbench_silent's,
# on the program that ships.
set -uo pipefail
source "$(dirname "$0")/session.sh"

e2e_need_tools
e2e_start_session
e2e_start_tray
export CORVANE_SIM_SILENT_MS=5000

e2e_launch
e2e_wait_window
e2e_plug v2000
e2e_wait_polled "$E2E_PLUG_MARK" "$PLUGGED" 01
mark=$(e2e_log_size)
e2e_control "fault $PLUGGED silent"
e2e_wait_for 10 e2e_log_has "$mark" "\$2 == \"$PLUGGED\" && \$3 == \"get-failed\"" ||
  e2e_fail "$PLUGGED did not fall silent"
e2e_tray_exit 30
e2e_wait_for 30 e2e_program_ended || e2e_fail "Exit did not end the program"
wait "$E2E_PROGRAM_PID"
status=$?
E2E_PROGRAM_PID=
[ "$status" -eq 0 ] || e2e_fail "the program ended with status $status"

echo "PASS"
