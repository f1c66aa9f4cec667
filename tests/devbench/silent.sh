#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A controller behind a hidraw node of corvane-devbench that stays on the bus
# but stops answering, each exchange failing only after 5 s as the kernel's
# USB control timeout makes it (CORVANE_SIM_SILENT_MS=5000), with the shipped
# panel on Xvfb:
#
#  1. while the panel waits on it, a second controller still answers another
#     program at once (the tool, without a session bus, opens it directly);
#  2. the panel lets the silent controller go once its exchanges have failed
#     for 10 s, two timeouts and not a third: the window shows it
#     unconnected, and nothing more goes to it, not even a colour picked;
#  3. pulled and plugged again, it is taken and polled as on the first day.
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

shows_status() {
  [ "$(e2e_grab labelCvDeviceStatus)" = "$1" ]
}

shows_other_status() {
  ! shows_status "$1"
}

[ "${CORVANE_SIM_SILENT_MS:-}" = 5000 ] || fail "run with CORVANE_SIM_SILENT_MS=5000"
devbench_start_session
e2e_launch
e2e_wait_window
e2e_load_points labelCvDeviceStatus pushButtonLedC0
wait_for 10 status_meets '.source == "panel" and (.connected | not)' || fail "the panel is not on the bus: $CTL_ERR"
unconnected=$(e2e_grab labelCvDeviceStatus)
mark=$(log_size)
devbench_plug "v2000,hw=21"
silent=$PLUGGED silent_node=$NODE
devbench_wait_polled "$mark" "$silent" 01
status_is 5 ".connected and .path == \"$silent_node\""
devbench_plug "v2000,hw=21"
other=$PLUGGED other_node=$NODE

step "1. silent, while another controller answers"
silenced=$(log_size)
devbench_control "fault $silent silent"
wait_for 10 log_has "$silenced" "\$2 == \"$silent\" && \$3 == \"get-failed\"" || fail "$silent did not fall silent"
start=$EPOCHREALTIME
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$CORVANE_CTL" --wait 0 status --json \
  >"$CTL_WORK/out" 2>"$CTL_WORK/err" || fail "the tool failed on the other controller: $(<"$CTL_WORK/err")"
took=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%d", (b - a) * 1000 }')
jq -e ".connected and .path == \"$other_node\"" "$CTL_WORK/out" >/dev/null || fail "$(<"$CTL_WORK/out")"
[ "$took" -lt 3000 ] || fail "the other controller took $took ms to answer"
devbench_unplug "$other"

step "2. let go"
wait_for 40 shows_status "$unconnected" || fail "the window still shows the silent controller"
failed=$(e2e_log_count "$silenced" "\$2 == \"$silent\" && \$3 ~ /failed/")
[ "$failed" -ge 2 ] && [ "$failed" -le 3 ] || fail "let go after $failed failed exchanges, not two"
mark=$(log_size)
e2e_click pushButtonLedC0
sleep 2.2
log_has "$mark" "\$2 == \"$silent\"" && fail "the panel still talks to the silent controller"

step "3. pulled and plugged again"
devbench_unplug "$silent"
mark=$(log_size)
devbench_plug "v2000,hw=21"
devbench_wait_polled "$mark" "$PLUGGED" 01
log_has "$mark" '$3 ~ /failed/' && fail "failed exchanges on the controller plugged again"
wait_for 5 shows_other_status "$unconnected" || fail "the window does not show the controller again"
status_is 10 ".connected and .path == \"$NODE\""

echo PASS
