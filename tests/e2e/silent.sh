#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A controller that stays on the bus but stops answering, each exchange with
# it waiting 5 s as the kernel's USB control timeout makes it wait, in the
# real program (sim/corvane-control) on Xvfb with trayer as the system tray:
#
#  1. Exit from the tray menu still ends the program, with status 0;
#  2. in a second run, the window shows the controller unconnected within
#     30 s, and once it is pulled and plugged again it is usable.
set -uo pipefail
source "$(dirname "$0")/session.sh"

# plug <item>: plugs a controller and waits until the program polls it; sets
# PLUGGED to its path.
plug() {
  local mark
  mark=$(e2e_log_size)
  e2e_control "plug $1"
  e2e_wait_for 10 e2e_log_has "$mark" '$2 == "plug"' || e2e_fail "the plug line did not arrive"
  PLUGGED=$(e2e_last_plugged)
  e2e_wait_polled "$mark" "$PLUGGED" "$2"
}

# silence <path>: the controller stops answering, as the log shows.
silence() {
  local mark
  mark=$(e2e_log_size)
  e2e_control "fault $1 silent"
  e2e_wait_for 10 e2e_log_has "$mark" "\$2 == \"$1\" && \$3 == \"get-failed\"" ||
    e2e_fail "$1 did not fall silent"
}

# shows <widget> <checksum> / shows_other <widget> <checksum>
shows() {
  [ "$(e2e_grab "$1")" = "$2" ]
}

shows_other() {
  ! shows "$@"
}

e2e_need_tools
e2e_start_session
e2e_start_tray
export CORVANE_SIM_SILENT_MS=5000

e2e_step "1. Exit from the tray menu while the controller is silent"
e2e_launch
e2e_wait_window
plug v2000 01
silence "$PLUGGED"
e2e_tray_exit 30
e2e_wait_for 30 e2e_program_ended || e2e_fail "Exit did not end the program"
wait "$E2E_PROGRAM_PID"
status=$?
E2E_PROGRAM_PID=
[ "$status" -eq 0 ] || e2e_fail "the program ended with status $status"

e2e_step "2. the window lets a silent controller go, and takes it again once plugged"
e2e_launch
e2e_wait_window
e2e_load_points labelCvDeviceStatus horizontalSliderLEDPower
unconnected=$(e2e_grab labelCvDeviceStatus)
plug v1100 02
e2e_wait_for 5 shows_other labelCvDeviceStatus "$unconnected" || e2e_fail "the window does not show the controller"
silence "$PLUGGED"
e2e_wait_for 30 shows labelCvDeviceStatus "$unconnected" || e2e_fail "the window still shows the silent controller"
e2e_control "unplug $PLUGGED"
plug v1100 02
e2e_wait_for 5 shows_other labelCvDeviceStatus "$unconnected" || e2e_fail "the window does not show the controller again"
e2e_switch_led_on "$PLUGGED" 0a0101

echo "PASS"
