# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the suites that run the shipped programs (the build's
# corvane-control, generic/libcvhidprt_qt5.so, corvane-ctl and
# corvane-ctl-direct, linked with the system's hidapi and libudev) inside
# corvane-devbench, which serves the simulator's controllers as hidraw nodes
# (tests/devbench/run.sh starts a suite inside it). On top of the
# end-to-end session (tests/e2e/session.sh) and the tool's helpers
# (tests/ctl/ctlcheck.sh): the bench's control FIFO and its nodes.
#
# Needs CORVANE_E2E_PROGRAM, CORVANE_E2E_HELPER and CORVANE_CTL.
source "$(dirname "${BASH_SOURCE[0]}")/../ctl/ctlcheck.sh"

# The session of the end-to-end scenarios (Xvfb, a session bus, folders of
# its own), with the log and the FIFO the bench was started with. The X
# server and the session bus are not under test: they run outside the
# testbed, without its preload library.
devbench_start_session() {
  local log=${CORVANE_SIM_LOG:-} control=${CORVANE_SIM_CONTROL:-} preload=${LD_PRELOAD:-}
  [ -n "${UMOCKDEV_DIR:-}" ] && [ -n "$log" ] && [ -n "$control" ] ||
    { echo "run the suite with tests/devbench/run.sh" >&2; exit 1; }
  e2e_need_tools jq
  unset LD_PRELOAD
  e2e_start_session
  export LD_PRELOAD=$preload
  trap devbench_finish EXIT
  export CORVANE_SIM_LOG=$log CORVANE_SIM_CONTROL=$control
  CTL_WORK=$E2E_WORK
  [ -x "${CORVANE_CTL:-}" ] || fail "no tool at CORVANE_CTL='${CORVANE_CTL:-}'"
}

# What the session started, and a tool left in the background.
devbench_finish() {
  [ -n "${CTL_BACKGROUND:-}" ] && kill "$CTL_BACKGROUND" 2>/dev/null
  e2e_finish
}

# devbench_control <line>: one line to the bench. The bench keeps its FIFO
# open for as long as it runs, so this never waits for a reader.
devbench_control() {
  printf '%s\n' "$*" >"$CORVANE_SIM_CONTROL"
}

# devbench_node <sim path>: the hidraw node that serves the simulator's
# interface now; fails when none does.
devbench_node() {
  local uevent
  for uevent in /sys/class/hidraw/*/uevent; do
    if grep -qx "CORVANE_SIM_PATH=$1" "$uevent" 2>/dev/null; then
      echo "/dev/$(basename "$(dirname "$uevent")")"
      return 0
    fi
  done
  return 1
}

# devbench_plug <item as in CORVANE_SIM_DEVICES>: plugs a controller and waits
# for its node; sets PLUGGED to its simulator path and NODE to its node.
devbench_plug() {
  e2e_plug "$1" devbench_control
  wait_for 10 devbench_node "$PLUGGED" >/dev/null || fail "no node serves $PLUGGED"
  NODE=$(devbench_node "$PLUGGED")
}

devbench_no_node() {
  ! devbench_node "$1" >/dev/null
}

# devbench_unplug <sim path>: pulls the controller and waits until its node is gone.
devbench_unplug() {
  devbench_control "unplug $1"
  wait_for 10 devbench_no_node "$1" || fail "$1 still has a node"
}

# devbench_polls_ok <since> <path> <report id> <count>: after <since>, the
# reads at open (three for a v2000: the v1100 probe, the v2000 probe and the
# read at open; five for a v1100: its probe and four reads at open), however
# long opening took, then at least <count> polls of that report, each at
# least 900 ms after the read before it.
devbench_polls_ok() {
  local burst=3
  [ "$3" = 02 ] && burst=5
  log_since "$1" | awk -v path="$2" -v id="$3" -v want="$4" -v burst="$burst" '
    $2 == path && $3 == "get" {
      if (++reads <= burst) { last = $1; next }
      if (substr($4, 1, 2) != id) next
      if ($1 - last < 900) bad = 1
      polls++
      last = $1
    }
    END { exit !(polls >= want && !bad) }'
}

# devbench_wait_polled <since> <path> <report id>: waits until the controller
# at <path> is open and polled.
devbench_wait_polled() {
  wait_for 10 devbench_polls_ok "$1" "$2" "$3" 2 || fail "$2 is not polled: $(e2e_gets_on "$1" "$2")"
}

# status_meets <jq condition>: the tool's status meets it (not connected is
# status 2, with the status printed all the same).
status_meets() {
  ctl status --json
  [ -n "$CTL_OUT" ] && jq -e "$1" >/dev/null <<<"$CTL_OUT"
}

# status_is <seconds> <jq condition>: the status meets it within that time.
status_is() {
  wait_for "$1" status_meets "$2" || fail "the status is not as expected ($2): $CTL_OUT $CTL_ERR"
}
