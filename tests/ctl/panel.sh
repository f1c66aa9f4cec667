#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# corvane-ctl through the running panel: the simulated program
# (sim/corvane-control) on Xvfb with trayer and its own D-Bus session bus,
# a v2000 controller with tachometers connected. Each command family is
# checked in the simulator's report log and in the window's state as the
# bus reports it (the properties are read from the window's controls):
#
#  1. status --json gives the configured controller and the panel's state;
#  2. fan moves the group's slider and sends the level's duty; a slider
#     moved in the window shows in the status;
#  3. mode auto lights AUTO and drives both groups; dust; mode manual;
#  4. led on, solid, breathe, cycle and upload change the LED switch and
#     the effect and send the laws; autorun, hibernate and save;
#  5. monitor --json prints a line for a change and one a second; two
#     tools at once both get through;
#  6. show brings the hidden window back;
#  7. cooling: a fan stopped by the simulator raises a stall alarm in the
#     status and as AlarmChanged on the bus (ended once the controller is
#     pulled in 8); a group's curve is shown, set, refused and reset; sensors;
#  8. bad arguments and no controller: documented errors and exit status,
#     nothing on the wire;
#  9. one owner: a panel that finds the controller held by a monitor takes
#     it once the monitor ends; a tool with another runtime folder is
#     refused; a tool that cannot reach the panel's bus waits for the panel
#     and gets the controller when the panel closes.
#
# Needs CORVANE_E2E_PROGRAM, CORVANE_E2E_HELPER, CORVANE_CTL and
# CORVANE_LED_LAW (an .adl file of the build).
set -uo pipefail
source "$(dirname "$0")/ctlcheck.sh"

# status_is <jq condition>: the panel's status meets it, within two seconds.
status_is() {
  wait_for 2 status_meets "$1" || fail "the status is not as expected ($1): $CTL_OUT $CTL_ERR"
}
# Not connected is status 2, with the status printed all the same.
status_meets() {
  ctl status --json
  [ -n "$CTL_OUT" ] && jq -e "$1" >/dev/null <<<"$CTL_OUT"
}

# sends <since> <awk condition>: within two seconds, a report meeting it went out.
sends() {
  wait_for 2 log_has "$1" "\$3 == \"send\" && ($2)" ||
    fail "no report as expected ($2): $(log_since "$1" | cut -c1-40)"
}

# run_ok <command...>: the tool succeeds through the panel.
run_ok() {
  ctl "$@" || fail "'$*' exited $CTL_STATUS: $CTL_ERR"
}

e2e_need_tools jq
e2e_start_session
[ -n "${DBUS_SESSION_BUS_ADDRESS:-}" ] || fail "no session bus for the panel"
CTL_WORK=$E2E_WORK
e2e_start_tray
export CORVANE_SIM_DEVICES="v2000,hw=22,adapter=1480,cpuid=00112233445566778899aabb"
e2e_launch
e2e_wait_window
wait_for 20 log_has 0 '$3 == "get"' || fail "the controller was not opened"
wait_for 10 status_meets '.connected' || fail "the panel is not on the bus: $CTL_ERR"

step "1. status through the panel"
status_is '.source == "panel" and .path == "sim:1:0" and .protocol == "v2000" and .model == "CRV-M7k II"
  and .firmware == "fw-2.0" and .serial == "00112233445566778899aabb" and .adapter_volts == 12.96
  and .mode == "manual" and .levels == {"G1": 0, "G2": 0} and ([.fans[].rpm] == [0,0,0,0])'

step "2. fan"
mark=$(log_size)
run_ok fan G1 5
status_is '.levels.G1 == 5 and .levels.G2 == 0'
# Change Boost: the top level (100 %), then level 5 (60 % in the shipped tables).
sends "$mark" 'substr($4, 1, 12) == "06a0b000b064"'
sends "$mark" 'substr($4, 1, 12) == "06a0b001b03c"'
status_is '.fans[0].duty == 60 and .fans[1].duty == 60 and .fans[0].rpm == 1200'
# The window's own slider shows on the bus.
e2e_load_points horizontalSliderFanG2 pushButtonAutoFan
e2e_click horizontalSliderFanG2 95
status_is '.levels.G2 == 1'

step "3. mode and dust"
mark=$(log_size)
run_ok mode auto
status_is '.mode == "auto" and .levels == {"G1": 9, "G2": 9}'
sends "$mark" 'substr($4, 1, 12) == "06a0b003b064"'
ctl fan G1 2
[ "$CTL_STATUS" -eq 1 ] || fail "a level in auto mode exited $CTL_STATUS: $CTL_ERR"
run_ok mode manual
status_is '.mode == "manual"'
mark=$(log_size)
run_ok dust
status_is '.mode == "dust"'
sends "$mark" 'substr($4, 1, 12) == "06a0b002b064"'

step "4. LEDs and the controller's options"
mark=$(log_size)
run_ok led on
status_is '.led.power'
sends "$mark" 'substr($4, 1, 14) == "06a0b001c020a1"'
# effect | command | first block report
while IFS='|' read -r expected command; do
  mark=$(log_size)
  run_ok led $command
  status_is "$expected"
  sends "$mark" 'id == "10"'
  wait_for 5 log_has "$mark" '$3 == "send" && id == "33"' || fail "'led $command' did not send the whole law"
done <<'ROWS'
.led.effect == "solid" and .led.colour == 4|solid 4
.led.effect == "breathe" and .led.colour == 13|breathe 13
.led.effect == "cycle" and .led.colour == null|cycle
ROWS
mark=$(log_size)
run_ok led upload "$CORVANE_LED_LAW"
sends "$mark" 'id == "30"'
# command | what the status says | the command code in the v2000 frame
while IFS='|' read -r command expected code; do
  mark=$(log_size)
  run_ok $command
  [ -z "$expected" ] || status_is "$expected"
  sends "$mark" "index(substr(\$4, 1, 20), \"c0${code}a1\")"
done <<'ROWS'
autorun fan on|.fan_auto_run|1a
autorun led on|.led.auto_run|2a
hibernate fan on|.fan_hibernate|1c
hibernate led on|.led.hibernate|2c
save||30
ROWS
run_ok led off
status_is '(.led.power | not)'
ctl led solid 3
[ "$CTL_STATUS" -eq 3 ] || fail "a colour with the LEDs off exited $CTL_STATUS: $CTL_ERR"
grep -q 'usage' <<<"$CTL_ERR" && fail "a colour with the LEDs off printed the usage: $CTL_ERR"

step "5. monitor and two tools at once"
ctl_background monitor --json
wait_for 5 test -s "$CTL_WORK/background.out" || fail "the monitor printed nothing"
"$CORVANE_CTL" fan G2 3 2>"$CTL_WORK/second.err" &
second=$!
run_ok fan G1 4
wait "$second" || fail "the second of two tools at once failed: $(<"$CTL_WORK/second.err")"
wait_for 3 grep -q '"levels":{"G1":4,"G2":3}' "$CTL_WORK/background.out" ||
  fail "the monitor missed the change: $(tail -n 2 "$CTL_WORK/background.out")"
lines=$(wc -l <"$CTL_WORK/background.out")
sleep 2.5
[ "$(wc -l <"$CTL_WORK/background.out")" -ge $(( lines + 2 )) ] || fail "the monitor is silent without changes"
kill -INT "$CTL_BACKGROUND"
wait "$CTL_BACKGROUND" || fail "the monitor did not end cleanly on SIGINT"
CTL_BACKGROUND=

step "6. show"
e2e_close_window || fail "closing did not hide the window"
run_ok show
wait_for 3 e2e_window_shown || fail "show did not bring the window back"

step "7. cooling"
status_is '.alarms == [] and .fans[1].duty == 50'
stdbuf -oL dbus-monitor --session "type='signal',interface='com.corvane.Control1',member='AlarmChanged'" \
  >"$CTL_WORK/alarms.log" 2>&1 &
alarm_watcher=$!
e2e_control "fault sim:1:0 stall 1"
# Three polls in a row at 0 rpm, a second apart.
wait_for 8 status_meets '.alarms == ["fan-stalled:fan1"] and .fans[1].rpm == 0' ||
  fail "no stall alarm: $CTL_OUT"
run_ok curve G2 cpu 20:1,90:9
run_ok curve G2
[ "$CTL_OUT" = "cpu 20:1,90:9" ] || fail "curve G2 shows '$CTL_OUT'"
ctl curve G2 hwmon:nosuch/temp1 40:2,60:5
[ "$CTL_STATUS" -eq 1 ] && grep -q 'No source' <<<"$CTL_ERR" || fail "an absent source was not refused: $CTL_ERR"
run_ok curve G2 default
run_ok curve G2
[ "$CTL_OUT" = "cpu default" ] || fail "curve G2 default shows '$CTL_OUT'"
run_ok sensors --json
expect_json "$CTL_OUT" '.[0].id == "cpu" and .[0].unit == "%"'

step "8. errors change nothing"
printf 'not a law' >"$CTL_WORK/bad.adl"
# expect_errors: rows "command|exit status|message" on stdin.
expect_errors() {
  local command status message mark
  while IFS='|' read -r command status message; do
    mark=$(log_size)
    ctl ${command//CTL_WORK/$CTL_WORK}
    [ "$CTL_STATUS" -eq "$status" ] || fail "'$command' exited $CTL_STATUS, not $status: $CTL_ERR"
    grep -q -- "$message" <<<"$CTL_ERR" || fail "'$command' said '$CTL_ERR', not '$message'"
    sleep 0.1
    log_since "$mark" | grep -q ' send' && fail "'$command' sent a report"
  done
  return 0
}
expect_errors <<'ROWS'
fan G1 10|1|the level of G1 is 0 to 9
led upload CTL_WORK/bad.adl|1|LED law
led upload CTL_WORK/missing.adl|1|LED law
ROWS
e2e_control "unplug sim:1:0"
wait_for 5 status_meets '.connected | not' || fail "the controller was not pulled"
# The stall alarm began and, with its controller gone, ended: both on the bus.
alarm_signalled() {
  tr -d '\n' <"$CTL_WORK/alarms.log" | grep -q "string \"fan-stalled:fan1\" *boolean $1 *string \"Fan 2 of G1"
}
wait_for 3 alarm_signalled true && wait_for 3 alarm_signalled false ||
  fail "AlarmChanged was not signalled as the alarm began and ended: $(<"$CTL_WORK/alarms.log")"
kill "$alarm_watcher"
expect_errors <<'ROWS'
fan G1 1|2|no controller
led solid 3|2|no controller
mode auto|2|no controller
save|2|no controller
status|2|
ROWS

step "9. one owner"
end_panel() {
  kill -TERM "$E2E_PROGRAM_PID"
  wait "$E2E_PROGRAM_PID" 2>/dev/null
  E2E_PROGRAM_PID=
  "$CORVANE_E2E_HELPER" release-marker
}
end_panel
export CORVANE_SIM_DEVICES=v2000
# A panel that finds the controller held waits quietly and takes it when it is free.
ctl_background monitor
wait_for 10 ctl_held || fail "the monitor did not open the controller"
mark=$(log_size)
e2e_launch
e2e_wait_window
wait_for 10 status_meets '.connected | not' || fail "the panel is not on the bus: $CTL_ERR"
sleep 2
status_meets '.connected | not' || fail "the panel took a controller held by a monitor: $CTL_OUT"
kill -INT "$CTL_BACKGROUND"
wait "$CTL_BACKGROUND" || fail "the monitor did not end cleanly"
CTL_BACKGROUND=
wait_for 5 status_meets '.connected' || fail "the panel did not take the controller once it was free"

# The claim is on the controller, not in a runtime folder: a tool with
# another one (sudo, another session) that cannot reach the panel is refused.
mkdir -m 700 "$CTL_WORK/other-runtime"
mark=$(log_size)
XDG_RUNTIME_DIR="$CTL_WORK/other-runtime" DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent ctl --wait 0 fan G1 3
[ "$CTL_STATUS" -eq 4 ] || fail "a tool with another runtime folder exited $CTL_STATUS: $CTL_ERR"
grep -q "in use by corvane-control (pid $E2E_PROGRAM_PID)" <<<"$CTL_ERR" || fail "the holder is not named: $CTL_ERR"
log_since "$mark" | grep -q ' send' && fail "a tool with another runtime folder sent a report"

# A tool that cannot see the panel's bus opens directly: it waits for the
# panel, which holds the controller, and gets it once the panel is gone.
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$CORVANE_CTL" --wait 30 status --json \
  >"$CTL_WORK/out" 2>"$CTL_WORK/err" &
waiting=$!
wait_for 10 grep -q "waiting for corvane-control (pid $E2E_PROGRAM_PID)" "$CTL_WORK/err" ||
  fail "the tool does not wait for the panel: $(<"$CTL_WORK/err")"
end_panel
wait "$waiting" || fail "the waiting tool failed: $(<"$CTL_WORK/err")"
jq -e '.source == "direct" and .connected' "$CTL_WORK/out" >/dev/null || fail "$(<"$CTL_WORK/out")"

echo PASS
