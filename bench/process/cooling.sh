#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CPU use of the running program hidden in the tray while AUTO follows a
# temperature curve: G1 on an hwmon input through three points, G2 on the
# CPU load, with a simulated v2000 controller polled once a second. The
# hwmon class is a sysfs tree in the session's folder, which the program
# sees as /sys through umockdev's preload library (umockdev-wrapper), so it
# reads it exactly as it reads a machine's.
#
#   bench/process/cooling.sh [build folder] [seconds, default 60]
#
# CPU is user plus system time of all the program's threads, as in cpu.sh.
set -uo pipefail
source "$(dirname "$0")/common.sh"
seconds=${2:-60}

command -v umockdev-wrapper >/dev/null || { echo "needs umockdev-wrapper (package umockdev)"; exit 77; }
e2e_need_tools
e2e_start_session
e2e_start_tray
describe_machine

# One k10temp input at 52 °C, which the curve makes level 4.
export UMOCKDEV_DIR="$E2E_WORK/testbed"
hwmon="$UMOCKDEV_DIR/sys/class/hwmon/hwmon0"
mkdir -p "$hwmon"
echo k10temp >"$hwmon/name"
echo 52000 >"$hwmon/temp1_input"
echo Tctl >"$hwmon/temp1_label"
mkdir -p "$XDG_CONFIG_HOME/Corvane"
printf '[cooling]\ng1_source=hwmon:k10temp/Tctl\ng1_curve="40:2,60:5,75:9"\n' \
  >"$XDG_CONFIG_HOME/Corvane/CorvaneController1.conf"
program=$CORVANE_E2E_PROGRAM
CORVANE_E2E_PROGRAM="$E2E_WORK/program-in-testbed"
printf '#!/bin/sh\nexec umockdev-wrapper "%s" "$@"\n' "$program" >"$CORVANE_E2E_PROGRAM"
chmod +x "$CORVANE_E2E_PROGRAM"

launch_connected v2000
e2e_load_points pushButtonAutoFan
e2e_click pushButtonAutoFan
# Level 4 of the shipped v2000 table is 50 %; the first tick comes after 5 s.
e2e_wait_for 20 e2e_log_has 0 '$3 == "send" && substr($4, 1, 12) == "06a0b000b032"' ||
  e2e_fail "G1 did not follow the sensor"

e2e_close_window || e2e_fail "the window did not go to the tray"
sleep 2
hidden=$(cpu_share "$seconds")
echo "hidden in the tray, AUTO on a temperature curve, polled: $hidden % of one core over $seconds s (target <= 0.2 %)"
