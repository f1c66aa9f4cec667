#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# corvane-ctl without a panel (run under dbus-run-session, so a session bus
# is there but nobody owns com.corvane.Control): the tool opens the simulated
# controller itself through the plug-in beside it, and lets it go again.
#
#  1. status --json of a v2000 and a v1100 controller matches what the
#     simulator was configured with;
#  2. fan, led, autorun, hibernate and save send their reports;
#  3. bad arguments, commands only the panel has, no controller, a refused
#     hibernate and an effect with the LEDs off give their exit status and
#     leave the wire alone;
#  4. list names the controllers present and the holder of a busy one;
#  5. two tools at once: one waits for the other; past its --wait it gives
#     up with status 4 and names the holder;
#  6. a group's curve is kept in the user's settings without a controller;
#     sensors lists the CPU load.
#
# Needs CORVANE_CTL (the build's sim/corvane-ctl).
set -uo pipefail
source "$(dirname "$0")/ctlcheck.sh"

ctl_start

step "1. status of the configured controllers"
export CORVANE_SIM_DEVICES="v2000,hw=22,adapter=1480,cpuid=00112233445566778899aabb"
ctl status --json || fail "status failed: $CTL_ERR"
expect_json "$CTL_OUT" '.connected and .source == "direct" and .path == "sim:1:0" and .protocol == "v2000"
  and .model == "CRV-M7k II" and .firmware == "fw-2.0" and .serial == "00112233445566778899aabb"
  and .adapter_volts == 12.96 and .mode == null and .levels == null
  and ([.fans[] | [.index, .group, .duty, .rpm]] == [[0,"G1",0,0],[1,"G1",0,0],[2,"G2",0,0],[3,"G2",0,0]])
  and .led.effect == null and .led.colour == null and .alarms == null'
export CORVANE_SIM_DEVICES="v1100,adapter=1370"
ctl status --json || fail "status failed: $CTL_ERR"
expect_json "$CTL_OUT" '.protocol == "v1100" and .model == "CRV-M7k" and .firmware == "fw-1.1" and .adapter_volts == 12
  and ([.fans[].rpm] == [null,null,null,null]) and (.fan_hibernate | not)'
ctl status || fail "status failed: $CTL_ERR"
grep -q '^controller *CRV-M7k, fw-1.1, v1100$' <<<"$CTL_OUT" || fail "the table lacks the controller line: $CTL_OUT"

step "2. commands reach the controller"
# command line | awk condition on the reports sent
while IFS='|' read -r devices command sent; do
  export CORVANE_SIM_DEVICES=$devices
  mark=$(log_size)
  ctl $command || fail "'$command' failed ($CTL_STATUS): $CTL_ERR"
  log_has "$mark" "$sent" || fail "'$command' did not send: $(log_since "$mark" | cut -c1-60)"
  ctl_released || fail "'$command' kept the controller"
done <<'ROWS'
v2000|fan G2 9|$3 == "send" && substr($4, 1, 12) == "06a0b003b064"
v2000|led on|$3 == "send" && substr($4, 1, 14) == "06a0b001c020a1"
v2000,ledpower=1|led solid 4|$3 == "send" && id == "10"
v2000|autorun fan on|$3 == "send" && index(substr($4, 1, 20), "c01aa1")
v2000|hibernate led off|$3 == "send" && index(substr($4, 1, 20), "c02ca1")
v1100,ledpower=1|led cycle|$3 == "send" && id == "10"
v1100|save|$3 == "send"
ROWS

step "3. errors leave the wire alone"
export CORVANE_SIM_DEVICES=v1100
printf 'not a law' >"$CTL_WORK/bad.adl"
head -c 5000 /dev/zero >"$CTL_WORK/big.adl"
# devices | command line | exit status | message
while IFS='|' read -r devices command status message; do
  export CORVANE_SIM_DEVICES=$devices
  mark=$(log_size)
  ctl ${command//CTL_WORK/$CTL_WORK}
  [ "$CTL_STATUS" -eq "$status" ] || fail "'$command' exited $CTL_STATUS, not $status: $CTL_ERR"
  grep -q -- "$message" <<<"$CTL_ERR" || fail "'$command' said '$CTL_ERR', not '$message'"
  if [ "$status" -eq 1 ] && ! grep -q '^usage: corvane-ctl' <<<"$CTL_ERR"; then fail "'$command' gave no usage line"; fi
  log_since "$mark" | grep -q ' send' && fail "'$command' sent a report"
done <<'ROWS'
v2000|fan G3 1|1|the group is G1 or G2
v2000|fan G1 10|1|the level of G1 is 0 to 9
v2000|fan G1 -1|1|whole number
v2000|led solid 14|1|the colour is a number from 0 to 13
v2000|led breathe x|1|the colour is a number from 0 to 13
v2000|led upload CTL_WORK/bad.adl|1|not a readable LED law file
v2000|led upload CTL_WORK/big.adl|1|not a readable LED law file
v2000|led upload CTL_WORK/missing.adl|1|not a readable LED law file
v2000|autorun both on|1|autorun takes fan or led
v2000|status extra|1|unexpected 'extra'
v2000|save --json|1|--json goes with
v2000|frobnicate|1|unknown command
v2000|--wait soon status|1|--wait takes a number
v2000|mode auto|2|needs the panel
v2000|dust|2|needs the panel
v2000|show|2|needs the panel
|status|2|no controller is plugged in
|led on|2|no controller is plugged in
v1100|hibernate fan on|3|this controller (fw-1.1) has no hibernate setting
v2000|led solid 4|3|the LEDs are off
v2000,fw=0x1000|status|3|does not answer
ROWS

step "4. list"
export CORVANE_SIM_DEVICES="v2000;v1100"
ctl list --json || fail "list failed: $CTL_ERR"
expect_json "$CTL_OUT" '[.[] | [.path, .protocol, .firmware]] == [["sim:1:0","v2000","fw-2.0"],["sim:2:0","v1100","fw-1.1"]]'

step "5. two tools at once"
export CORVANE_SIM_DEVICES=v2000
ctl_background monitor
wait_for 10 ctl_held || fail "the monitor did not open the controller"
ctl --wait 0.5 status
[ "$CTL_STATUS" -eq 4 ] || fail "a second tool exited $CTL_STATUS, not 4: $CTL_ERR"
grep -q "in use by corvane-ctl-direct (pid $CTL_BACKGROUND)" <<<"$CTL_ERR" || fail "the holder is not named: $CTL_ERR"
ctl list --json
expect_json "$CTL_OUT" ".[0].held_by == \"corvane-ctl-direct (pid $CTL_BACKGROUND)\""
# A tool that waits long enough gets the controller once the first lets go.
ctl_wait_stopping_background 30 status --json
[ "$CTL_STATUS" -eq 0 ] || fail "the waiting tool exited $CTL_STATUS: $CTL_ERR"
expect_json "$CTL_OUT" '.connected'

echo PASS

step "6. curves and sensors without the panel"
export CORVANE_SIM_DEVICES=
ctl curve G1 cpu 10:2,80:8 || fail "curve failed: $CTL_ERR"
ctl curve G1 || fail "curve failed: $CTL_ERR"
[ "$CTL_OUT" = "cpu 10:2,80:8" ] || fail "curve G1 shows '$CTL_OUT'"
ctl curve G1 cpu 80:2,10:8
[ "$CTL_STATUS" -eq 1 ] || fail "falling points exited $CTL_STATUS: $CTL_ERR"
ctl sensors --json || fail "sensors failed: $CTL_ERR"
expect_json "$CTL_OUT" '.[0] == {"id": "cpu", "name": "CPU load", "unit": "%", "value": null}'
