#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# run.sh <suite.sh>: runs a suite inside corvane-devbench, with the
# simulator's report log and control FIFO in a folder of the run's own, so
# that every run starts from an empty log. The exit status is the suite's.
#
# Needs CORVANE_DEVBENCH (the build's sim/devbench/corvane-devbench).
set -uo pipefail
[ -x "${CORVANE_DEVBENCH:-}" ] || { echo "no bench at CORVANE_DEVBENCH='${CORVANE_DEVBENCH:-}'" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-devbench.XXXXXX")
trap 'rm -rf "$work"' EXIT
export CORVANE_SIM_LOG="$work/sim.log" CORVANE_SIM_CONTROL="$work/sim.control"
"$CORVANE_DEVBENCH" -- bash "$@"
