#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped panel and the shipped corvane-ctl at once, on Xvfb with a
# session bus, the panel holding a controller behind a hidraw node of
# corvane-devbench:
#
#  1. with the session bus, the tool goes through the panel: its status is
#     the panel's, and a level it sets is the panel's and goes out from it;
#  2. without a session bus, the tool opens the controller itself and finds
#     it held: it names the panel as the holder and exits 4.
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

devbench_start_session
e2e_launch
e2e_wait_window
devbench_plug "v2000,hw=21"
status_is 10 ".connected and .source == \"panel\" and .path == \"$NODE\""

step "1. through the panel"
mark=$(log_size)
ctl fan G2 3 || fail "fan G2 3 failed ($CTL_STATUS): $CTL_ERR"
status_is 3 '.source == "panel" and .levels.G2 == 3'
wait_for 3 log_has "$mark" "\$2 == \"$PLUGGED\" && \$3 == \"send\" && substr(\$4, 1, 12) == \"06a0b003b028\"" ||
  fail "the panel did not send level 3 (40 %) to fan 3"

step "2. without a session bus"
mark=$(log_size)
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$CORVANE_CTL" --wait 0.5 status --json \
  >"$CTL_WORK/out" 2>"$CTL_WORK/err"
status=$?
[ "$status" -eq 4 ] || fail "the tool exited $status, not 4: $(<"$CTL_WORK/err")"
grep -q "in use by corvane-control (pid $E2E_PROGRAM_PID)" "$CTL_WORK/err" ||
  fail "the holder is not named: $(<"$CTL_WORK/err")"
log_has "$mark" "\$2 == \"$PLUGGED\" && \$3 == \"send\"" && fail "the refused tool sent a report"
status_is 3 '.connected and .source == "panel"'

echo PASS
