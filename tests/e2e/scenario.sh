#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real program (sim/corvane-control) as a user meets it, on Xvfb with
# trayer as the system tray, against controllers plugged, pulled and broken
# through the simulator's control FIFO, checked in the simulator's report log:
#
#  1. no controller: the window comes up, nothing goes over the wire, no
#     OpenGL driver is loaded;
#  2. a v2000 controller is plugged: the probes, the read at open, then one
#     status read a second;
#  3. the LED is switched on and a colour picked; a send fails while the LED
#     law is on its way: the upload stops there, the controller stays
#     connected and takes the next law whole;
#  4. the controller is pulled while a law is on its way: the upload stops,
#     polling stops;
#  5. a v1100 controller is plugged: power, fan, LED and identity reports at
#     open, then the power report once a second;
#  6. it answers garbage and fails two reads: the program polls on through
#     both and the controller still takes a whole law; then it is pulled (a
#     controller that falls silent is devbench_silent's, on the program that
#     ships);
#  7. a fresh v2000 controller is taken as on the first day;
#  8. hidden in the tray, a second launch exits with -1 and brings the
#     window back.
set -uo pipefail
source "$(dirname "$0")/session.sh"

# Nothing after <since> except plug lines: the program leaves the wire alone.
quiet_since() {
  ! e2e_log_since "$1" | awk '$2 != "plug" && $2 != "unplug"' | grep -q .
}

# during_upload <path> <control line>: a watcher writes the line as soon as
# the first channel block report of the next LED law upload on <path> is in
# the log, while the rest of the law is still on its way. A watcher of an
# earlier try that is still waiting loses its token and stays quiet.
during_upload() {
  local path=$1 line=$2 token
  rm -f "$E2E_WORK"/watcher.*
  token=$(mktemp "$E2E_WORK/watcher.XXXXXX")
  (
    timeout 20 tail -n0 -F "$CORVANE_SIM_LOG" 2>/dev/null | while read -r _ where op buffer; do
      if [ "$where" = "$path" ] && [ "$op" = send ] && [ "${buffer:0:2}" != 06 ]; then
        rm "$token" 2>/dev/null && e2e_control "$line"
        break
      fi
    done
  ) &
  E2E_PIDS+=($!)
  sleep 0.3   # the watcher's tail is in place
}

# upload_stopped <since> <path> <awk condition on failed>: the upload on
# <path> after <since> stopped in the middle: some block reports went
# through, the failed sends meet the condition, and the LED stayed off.
upload_stopped() {
  e2e_log_since "$1" | awk -v path="$2" "
    \$2 != path { next }
    \$3 == \"send\" && substr(\$4, 1, 2) != \"06\" { blocks++ }
    \$3 == \"send-failed\" { failed++ }
    \$3 == \"send\" && substr(\$4, 1, 14) == \"06a0b001c020a1\" { back_on = 1 }
    END { exit !(blocks >= 1 && blocks < 12 && $3 && !back_on) }"
}

# upload_whole <since> <path> <LED on report prefix>: all twelve block reports
# and the LED back on, nothing failed.
upload_whole() {
  e2e_log_since "$1" | awk -v path="$2" -v on="$3" '
    $2 != path { next }
    $3 == "send" && substr($4, 1, 2) ~ /^[123][0-3]$/ { blocks++ }
    $3 ~ /failed/ { failed++ }
    $3 == "send" && index($4, on) == 1 { back_on = 1 }
    END { exit !(blocks == 12 && !failed && back_on) }'
}

# A watcher that comes too late (a loaded machine) leaves the upload whole;
# then the step is tried again.
late_watcher() {
  echo "   the watcher came after the upload (try $1); again"
}

e2e_need_tools
e2e_start_session
e2e_start_tray
export QT_LOGGING_RULES="corvane.*.debug=true"

e2e_step "1. start without a controller"
e2e_launch
e2e_wait_window
e2e_load_points horizontalSliderLEDPower pushButtonLedC0 pushButtonLedC4 pushButtonLedF2
sleep 1
quiet_since 0 || e2e_fail "exchanges without a controller"
# It draws nothing with OpenGL, so it loads no OpenGL driver.
grep -qE '/dri/|libLLVM|libGLX_' "/proc/$E2E_PROGRAM_PID/maps" && e2e_fail "the program loaded an OpenGL driver"

e2e_step "2. plug a v2000 controller"
e2e_plug v2000
v2000=$PLUGGED mark=$E2E_PLUG_MARK
e2e_wait_polled "$mark" "$v2000" 01
reads=$(e2e_gets_on "$mark" "$v2000")
# v1100 probe, v2000 probe, the read at open, then polls: all status reports.
[[ $reads =~ ^(01\ ){4,}$ ]] || e2e_fail "unexpected reads on $v2000: $reads"
e2e_log_has "$mark" '$3 ~ /failed/' && e2e_fail "failed exchanges on a healthy controller"

e2e_step "3. a send fails in the middle of an LED law upload"
e2e_switch_led_on "$v2000" 06a0b001c020a1
stopped=
for try in 1 2 3; do
  mark=$(e2e_log_size)
  during_upload "$v2000" "fault $v2000 send 1"
  e2e_click pushButtonLedC4
  e2e_wait_for 10 e2e_log_has "$mark" '$3 == "send-failed"' || e2e_fail "the send fault did not strike"
  sleep 0.2
  # The block under way is still sent whole, then nothing more.
  if upload_stopped "$mark" "$v2000" "failed == 1"; then
    stopped=yes
    break
  fi
  late_watcher "$try"
done
[ -n "$stopped" ] || e2e_fail "no upload could be broken in three tries"
# The controller stays connected and polled, and takes the next law whole.
mark=$(e2e_log_size)
e2e_wait_polled "$mark" "$v2000" 01
mark=$(e2e_log_size)
e2e_click pushButtonLedC0
e2e_wait_for 5 upload_whole "$mark" "$v2000" 06a0b001c020a1 || e2e_fail "the next LED law did not go out whole"

e2e_step "4. pull the controller while an LED law is uploading"
stopped=
for try in 1 2 3; do
  mark=$(e2e_log_size)
  during_upload "$v2000" "unplug $v2000"
  e2e_click pushButtonLedC4
  e2e_wait_for 10 e2e_log_has "$mark" '$2 == "unplug"' || e2e_fail "the controller was not pulled"
  # The rest of the block under way fails, then nothing more is tried.
  if upload_stopped "$mark" "$v2000" "failed >= 1 && failed <= 4"; then
    stopped=yes
    break
  fi
  late_watcher "$try"
  e2e_plug v2000
  v2000=$PLUGGED
  e2e_wait_polled "$E2E_PLUG_MARK" "$v2000" 01
  e2e_switch_led_on "$v2000" 06a0b001c020a1
done
[ -n "$stopped" ] || e2e_fail "no upload could be cut in three tries"
mark=$(e2e_log_size)
sleep 2.2
e2e_log_has "$mark" "\$2 == \"$v2000\"" && e2e_fail "the program still talks to the pulled controller"
e2e_program_runs || e2e_fail "the program died after the pull"

e2e_step "5. plug a v1100 controller"
e2e_plug v1100
v1100=$PLUGGED mark=$E2E_PLUG_MARK
e2e_wait_polled "$mark" "$v1100" 02
reads=$(e2e_gets_on "$mark" "$v1100")
# The identity probe, then power, fan, LED and identity at open, then the power report.
[[ $reads =~ ^01\ 02\ 03\ 0a\ 01\ (02\ ){2,}$ ]] || e2e_fail "unexpected reads on $v1100: $reads"

e2e_step "6. garbage, failed reads, pull"
mark=$(e2e_log_size)
e2e_control "fault $v1100 garbage 2"
e2e_wait_for 10 e2e_polls_ok "$mark" "$v1100" 02 4 || e2e_fail "polling stopped after garbage replies"
mark=$(e2e_log_size)
e2e_control "fault $v1100 get 2"
e2e_wait_for 10 e2e_polls_ok "$mark" "$v1100" 02 2 || e2e_fail "polling stopped after failed reads"
[ "$(e2e_log_count "$mark" '$3 == "get-failed"')" -eq 2 ] || e2e_fail "expected two failed reads"
# After all that the controller still takes a whole LED law.
e2e_switch_led_on "$v1100" 0a0101
mark=$(e2e_log_size)
e2e_click pushButtonLedF2
e2e_wait_for 5 upload_whole "$mark" "$v1100" 0a0101 || e2e_fail "the v1100 LED law did not go out whole"

mark=$(e2e_log_size)
e2e_control "unplug $v1100"
e2e_wait_for 10 e2e_log_has "$mark" '$2 == "unplug"' || e2e_fail "the v1100 controller could not be pulled"

e2e_step "7. a fresh v2000 controller"
e2e_plug v2000
fresh=$PLUGGED mark=$E2E_PLUG_MARK
e2e_wait_polled "$mark" "$fresh" 01
# The window's LED switch was left on; it follows the fresh controller's LED,
# which is off, and says so to the controller.
e2e_log_has "$mark" "\$2 == \"$fresh\" && \$3 == \"send\" && substr(\$4, 1, 14) == \"06a0b000c020a1\"" ||
  e2e_fail "the LED switch did not follow the fresh controller"
e2e_log_has "$mark" '$3 ~ /failed/' && e2e_fail "failed exchanges on the fresh controller"

e2e_step "8. hidden in the tray, a second launch brings the window back"
e2e_close_window || e2e_fail "closing did not hide the window"
sleep 0.5
e2e_program_runs || e2e_fail "closing ended the program although a tray is there"
timeout 60 "$CORVANE_E2E_PROGRAM" >>"$E2E_WORK/program.out" 2>&1
status=$?
[ "$status" -eq 255 ] || e2e_fail "the second launch exited with $status, not -1"
e2e_wait_for 3 e2e_window_shown || e2e_fail "the window did not come back"
e2e_program_runs || e2e_fail "the program is gone"
mark=$(e2e_log_size)
e2e_wait_polled "$mark" "$fresh" 01

echo "PASS"
