#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped panel (corvane-control and its plug-in, on the system's hidapi
# and libudev) follows controllers that come and go as udev tells it, inside
# corvane-devbench, on Xvfb:
#
#  1. started without a controller, it leaves the wire alone and takes one
#     that is plugged later (an "add" uevent): the probes, the read at open,
#     then a poll a second; its status names the controller's node;
#  2. the controller is pulled (a "remove" uevent): the panel lets it go at
#     once and nothing more reaches it;
#  3. plugged again, the controller gets the same node, and the panel takes
#     the new controller behind it.
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

# Nothing after <since> but plug lines.
quiet_since() {
  ! log_since "$1" | awk '$2 != "plug" && $2 != "unplug"' | grep -q .
}

# taken <since>: the panel opened PLUGGED as on the first day and shows it at NODE.
taken() {
  local reads
  devbench_wait_polled "$1" "$PLUGGED" 01
  reads=$(e2e_gets_on "$1" "$PLUGGED")
  # The v1100 probe, the v2000 probe, the read at open, then polls: all status reports.
  [[ $reads =~ ^(01\ ){4,}$ ]] || fail "unexpected reads on $PLUGGED: $reads"
  log_has "$1" '$3 ~ /failed/' && fail "failed exchanges on a healthy controller"
  status_is 5 ".connected and .source == \"panel\" and .path == \"$NODE\" and .serial == \"$2\""
}

devbench_start_session

step "1. a controller that appears after the start"
e2e_launch
e2e_wait_window
wait_for 10 status_meets '.source == "panel" and (.connected | not)' || fail "the panel is not on the bus: $CTL_ERR"
quiet_since 0 || fail "exchanges without a controller"
mark=$(log_size)
devbench_plug v2000
first=$NODE
taken "$mark" 435653494d00000000000001

step "2. pulled"
mark=$(log_size)
devbench_unplug "$PLUGGED"
status_is 2 '.connected | not'
sleep 1.5
log_since "$mark" | awk -v path="$PLUGGED" '$2 == path' | grep -q . && fail "the panel still talks to the pulled controller"
e2e_program_runs || fail "the panel died with the pull"

step "3. plugged again"
mark=$(log_size)
devbench_plug v2000
[ "$NODE" = "$first" ] || fail "the controller came back at $NODE, not $first"
taken "$mark" 435653494d00000000000002

echo PASS
