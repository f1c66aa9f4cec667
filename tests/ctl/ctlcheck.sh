# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the corvane-ctl scenarios: the end-to-end session's helpers
# (tests/e2e/session.sh: log, waiting, failing) and running the tool.
#
#   ctl <arguments...>   runs $CORVANE_CTL; sets CTL_STATUS, CTL_OUT, CTL_ERR
#
# Needs CORVANE_CTL (the build's sim/corvane-ctl).
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/session.sh"

step() { echo "== $*"; }
fail() { e2e_fail "$@"; }
wait_for() { e2e_wait_for "$@"; }
log_size() { e2e_log_size; }
log_since() { e2e_log_since "$@"; }
log_has() { e2e_log_has "$@"; }

CTL_BACKGROUND=

# A folder of its own (runtime folder for the controller claims, temporary
# folder, home) and the simulator's log; no panel unless a scenario starts one.
ctl_start() {
  [ -x "${CORVANE_CTL:-}" ] || { echo "no tool at CORVANE_CTL='${CORVANE_CTL:-}'" >&2; exit 1; }
  command -v jq >/dev/null || { echo "skipped: jq is not installed"; exit 77; }
  E2E_WORK=$(mktemp -d "${TMPDIR:-/tmp}/corvane-ctl.XXXXXX")
  CTL_WORK=$E2E_WORK
  trap ctl_finish EXIT
  mkdir -p "$E2E_WORK"/{home,config,runtime,tmp}
  chmod 700 "$E2E_WORK/runtime"
  export HOME="$E2E_WORK/home" XDG_CONFIG_HOME="$E2E_WORK/config" XDG_RUNTIME_DIR="$E2E_WORK/runtime"
  export TMPDIR="$E2E_WORK/tmp" CORVANE_SIM_LOG="$E2E_WORK/sim.log"
  unset CORVANE_SIM_CONTROL
}

ctl_finish() {
  [ -n "$CTL_BACKGROUND" ] && kill "$CTL_BACKGROUND" 2>/dev/null
  wait 2>/dev/null
  if [ -n "${E2E_KEEP:-}" ]; then echo "kept: $E2E_WORK"; else rm -rf "$E2E_WORK"; fi
}

ctl() {
  "$CORVANE_CTL" "$@" >"$CTL_WORK/out" 2>"$CTL_WORK/err"
  CTL_STATUS=$?
  CTL_OUT=$(<"$CTL_WORK/out")
  CTL_ERR=$(<"$CTL_WORK/err")
  return "$CTL_STATUS"
}

# expect_json <json> <jq condition>
expect_json() {
  jq -e "$2" >/dev/null <<<"$1" || fail "not as expected: $1"
}

# A controller claim is a flock on the interface's node (the simulator's
# stand-in for sim:1:0), as the kernel's table of locks lists it.
ctl_held() {
  local node="${CORVANE_SIM_DEV_DIR:-$TMPDIR/corvane-sim-dev}/sim-1-0" file
  [ -e "$node" ] || return 1
  file=$(printf '%02x:%02x:%s' $(stat -c '%Hd %Ld %i' "$node"))
  awk -v file="$file" '$2 == "FLOCK" && $6 == file { found = 1 } END { exit !found }' /proc/locks
}

ctl_released() {
  ! ctl_held
}

# ctl_background <arguments...>: the tool in the background (CTL_BACKGROUND).
ctl_background() {
  "$CORVANE_CTL" "$@" >"$CTL_WORK/background.out" 2>"$CTL_WORK/background.err" &
  CTL_BACKGROUND=$!
}

# ctl_wait_stopping_background <seconds> <arguments...>: a second tool waits
# up to <seconds> for the controller; once it says it waits, the background
# tool is stopped with SIGTERM. Sets CTL_STATUS, CTL_OUT, CTL_ERR of the second.
ctl_wait_stopping_background() {
  local seconds=$1 pid
  shift
  "$CORVANE_CTL" --wait "$seconds" "$@" >"$CTL_WORK/out" 2>"$CTL_WORK/err" &
  pid=$!
  wait_for 10 grep -q 'waiting for' "$CTL_WORK/err" || fail "the second tool does not wait: $(<"$CTL_WORK/err")"
  kill -TERM "$CTL_BACKGROUND"
  wait "$CTL_BACKGROUND" || fail "the background tool did not end cleanly on SIGTERM"
  CTL_BACKGROUND=
  wait "$pid"
  CTL_STATUS=$?
  CTL_OUT=$(<"$CTL_WORK/out")
  CTL_ERR=$(<"$CTL_WORK/err")
}
