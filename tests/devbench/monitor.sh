#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped `corvane-ctl monitor --json` without a panel, on a controller
# behind a hidraw node of corvane-devbench that is pulled while it runs: the
# plug-in lets the controller go once its reads fail, and from then on the
# monitor says "not connected" instead of repeating the values it read last.
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

monitor_says() {
  grep -q "$1" "$CTL_WORK/background.out"
}

devbench_start_session
devbench_plug "v2000,hw=21"
ctl_background monitor --json
wait_for 10 monitor_says '"connected":true' || fail "the monitor did not open the controller: $(<"$CTL_WORK/background.err")"
grep -q "\"path\":\"$NODE\"" "$CTL_WORK/background.out" || fail "the monitor names another node: $(tail -n1 "$CTL_WORK/background.out")"

step "pulled while the monitor runs"
devbench_unplug "$PLUGGED"
# The plug-in lets go after 10 s of failed exchanges.
wait_for 20 monitor_says '"connected":false' ||
  fail "the monitor still says: $(tail -n1 "$CTL_WORK/background.out")"
lines=$(wc -l <"$CTL_WORK/background.out")
sleep 2.2
tail -n +"$((lines + 1))" "$CTL_WORK/background.out" | grep -q '"connected":true' &&
  fail "the monitor went back to the pulled controller"
[ "$(wc -l <"$CTL_WORK/background.out")" -ge $((lines + 2)) ] || fail "the monitor fell silent"
kill -INT "$CTL_BACKGROUND"
wait "$CTL_BACKGROUND" || fail "the monitor did not end cleanly on SIGINT"
CTL_BACKGROUND=

echo PASS
