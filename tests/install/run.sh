#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# run.sh <staged prefix> <libdir> <simulated plug-in> <simulator library dir> <work dir>
# Starts a copy of the installed program through its link in bin, with the
# simulated plug-in in place of the shipped one, and waits for the status
# polls of a connected controller: the program reaches a controller only once
# it has found its plug-in and verified its configuration in its own folder.
set -euo pipefail
prefix=$1 libdir=$2 sim_plugin=$3 sim_libdir=$4 work=$5
. "$(dirname "$0")/common.sh"
timeout_s=60

rm -rf "$work"
mkdir -p "$work"/home "$work"/config "$work"/runtime "$work"/tmp
chmod 700 "$work/runtime"
cp -a "$prefix" "$work/usr"
cp "$sim_plugin" "$work/usr/$libdir/corvane-control/generic/libcvhidprt_qt5.so"
log=$work/sim.log
output=$work/program.out

env -u QT_PLUGIN_PATH -u CORVANE_SIM_CONTROL \
    HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    TMPDIR="$work/tmp" QT_QPA_PLATFORM=offscreen \
    CORVANE_SIM_DEVICES=v2000 CORVANE_SIM_LOG="$log" \
    LD_LIBRARY_PATH="$sim_libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
    "$work/usr/bin/corvane-control" >"$output" 2>&1 &
pid=$!

# A killed program leaves its instance marker behind: a System V segment and
# the semaphore that locks it, keyed as ftok(<file in TMPDIR>, 'Q') keys them.
remove_marker() {
    local file key
    for file in "$work"/tmp/qipc_sharedmemory_* "$work"/tmp/qipc_systemsem_*; do
        [ -e "$file" ] || continue
        key=$(( ($(stat -c %i "$file") & 0xffff) | (($(stat -c %d "$file") & 0xff) << 16) | (0x51 << 24) ))
        case $file in
            *sharedmemory*) ipcrm -M "$key" 2>/dev/null || true ;;
            *) ipcrm -S "$key" 2>/dev/null || true ;;
        esac
    done
}
stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    remove_marker
}
trap stop EXIT

# Status reads of the connected controller, a poll interval apart at least.
polled() {
    [ -f "$log" ] && awk '$2 == "sim:1:0" && $3 == "get" { if (!n++) first = $1; last = $1 }
                          END { exit !(n >= 2 && last - first >= 900) }' "$log"
}

for ((tenth = 0; tenth < timeout_s * 10; ++tenth)); do
    polled && { echo "the installed program connected and polls the controller"; exit 0; }
    kill -0 "$pid" 2>/dev/null || { cat "$output"; fail "the installed program ended early"; }
    sleep 0.1
done
cat "$output"
[ -f "$log" ] && tail -n 20 "$log"
fail "no status polls of the simulated controller within ${timeout_s} s"
