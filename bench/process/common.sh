# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the whole-process benchmarks: the build to measure, the session
# of the end-to-end tests (own Xvfb, trayer, sandboxed user, simulator FIFO
# and log), and a few measuring aids.
#
# The first argument of every benchmark is the build folder (default
# build/); it needs the targets corvane-demo and corvane-e2e-helper:
#
#   cmake --build build -j2 --target corvane-demo corvane-e2e-helper

E2E_BENCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_BUILD=$(cd "${1:-$E2E_BENCH_ROOT/build}" && pwd) || exit 1
export CORVANE_E2E_PROGRAM="$E2E_BUILD/sim/corvane-control"
export CORVANE_E2E_HELPER="$E2E_BUILD/tests/e2e/corvane-e2e-helper"
source "$E2E_BENCH_ROOT/tests/e2e/session.sh"

# The splash pauses the program must make before its window: 1000 + 500 ms.
SPLASH_PAUSES_MS=1500
CLOCK_TICKS=$(getconf CLK_TCK)

# median <numbers...>
median() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Milliseconds from epoch time $1 to epoch time $2 (both "seconds.micro").
ms_between() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1000 }'
}

# User plus system CPU time of a process (all its threads), in clock ticks.
cpu_ticks() {
  awk '{ print $14 + $15 }' "/proc/$1/stat"
}

# cpu_share <seconds>: the program's CPU use over that many seconds, in % of one core.
cpu_share() {
  local before after
  before=$(cpu_ticks "$E2E_PROGRAM_PID")
  sleep "$1"
  after=$(cpu_ticks "$E2E_PROGRAM_PID")
  awk -v t=$(( after - before )) -v hz="$CLOCK_TICKS" -v s="$1" 'BEGIN { printf "%.3f", t / hz / s * 100 }'
}

# Peak resident memory of a process, in kB.
peak_rss_kb() {
  awk '$1 == "VmHWM:" { print $2 }' "/proc/$1/status"
}

# describe_machine: one line for the figures' record.
describe_machine() {
  echo "machine: $(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo), $(nproc) cores," \
    "load average $(cut -d' ' -f1-3 /proc/loadavg), $(uname -r)"
}

# time_status <label> <tool> <expected source>: runs `<tool> status --json`
# $runs times, each a whole process, and prints the median and lowest in ms.
time_status() {
  local times=() start end i
  for ((i = 0; i < runs; ++i)); do
    start=$EPOCHREALTIME
    "$2" status --json >"$E2E_WORK/status.json" || e2e_fail "$2 status failed"
    end=$EPOCHREALTIME
    grep -q "\"source\":\"$3\"" "$E2E_WORK/status.json" || e2e_fail "status did not go through $3"
    times+=("$(ms_between "$start" "$end")")
  done
  echo "$1 ($runs runs): median $(median "${times[@]}") ms," \
    "lowest $(printf '%s\n' "${times[@]}" | sort -g | head -n1) ms"
}

# Starts the program with a v2000 controller present and waits until it polls it.
launch_connected() {
  export CORVANE_SIM_DEVICES=${1:-v2000}
  e2e_launch
  e2e_wait_window
  e2e_wait_for 20 e2e_log_has 0 '$3 == "get"' || e2e_fail "the controller was not opened"
}

# Kills the program and removes the marker it leaves, so the next launch is a
# first one again.
end_program() {
  kill "$E2E_PROGRAM_PID" 2>/dev/null
  wait "$E2E_PROGRAM_PID" 2>/dev/null
  E2E_PROGRAM_PID=
  "$CORVANE_E2E_HELPER" release-marker
}
