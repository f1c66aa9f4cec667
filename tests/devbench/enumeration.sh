#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Several controllers, one of them with two HID interfaces (the second the
# one that answers), as corvane-devbench serves them: one hidraw node per
# interface, in plug order. The shipped corvane-ctl finds them through the
# system's hidapi (udev's database, sysfs, the report descriptors) and lists
# each node with what answers behind it.
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

devbench_start_session
devbench_plug "v2000"
devbench_plug "v1100,interfaces=2,primary=1"
ctl list --json || fail "list failed ($CTL_STATUS): $CTL_ERR"
expect_json "$CTL_OUT" '[.[] | [.path, .protocol, .firmware, .held_by]] ==
  [["/dev/hidraw0","v2000","fw-2.0",null],["/dev/hidraw1",null,null,null],["/dev/hidraw2","v1100","fw-1.1",null]]'

echo PASS
