#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped corvane-ctl without a panel (a session bus on which nobody owns
# com.corvane.Control, so it hands over to corvane-ctl-direct, which loads
# the shipped plug-in): each run opens the controller behind a hidraw node of
# corvane-devbench itself, changes what it was asked to and lets go, and the
# next run reads the change back from the controller.
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

devbench_start_session
devbench_plug "v2000,hw=22,cpuid=00112233445566778899aabb"

step "1. status"
ctl status --json || fail "status failed ($CTL_STATUS): $CTL_ERR"
expect_json "$CTL_OUT" ".connected and .source == \"direct\" and .path == \"$NODE\" and .protocol == \"v2000\"
  and .serial == \"00112233445566778899aabb\" and ([.fans[].duty] == [0,0,0,0]) and (.led.power | not)
  and (.fan_auto_run | not)"

step "2. changes, each run on its own"
for command in "fan G2 9" "led on" "autorun fan on"; do
  mark=$(log_size)
  ctl $command || fail "'$command' failed ($CTL_STATUS): $CTL_ERR"
  log_has "$mark" "\$2 == \"$PLUGGED\" && \$3 == \"send\"" || fail "'$command' sent nothing"
done

step "3. the next run reads them back"
ctl status --json || fail "status failed ($CTL_STATUS): $CTL_ERR"
expect_json "$CTL_OUT" '.connected and ([.fans[].duty] == [0,0,100,100]) and ([.fans[].rpm] == [0,0,2000,2000])
  and .led.power and .fan_auto_run and (.led.auto_run | not)'

echo PASS
