#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The shipped panel shows who a controller is, read through the system's
# hidapi from a hidraw node of corvane-devbench, on Xvfb: for a v2000 of
# hardware 21, a v2000 of hardware 22 (fan tachometers) and a v1100, one
# after the other, its model, firmware, serial number and adapter voltage,
# as the panel's status on the session bus gives them and as the window's
# status frame draws them (the same text draws the same pixels).
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

# shows <item> <jq condition> <polled report id>: plugs the controller, waits until the panel
# has it and meets the condition; sets SHOWN[<widget>] to what each widget
# draws once the controller has been polled (the adapter voltage shows with
# the polls).
declare -A SHOWN
shows() {
  local widget mark
  mark=$(log_size)
  devbench_plug "$1"
  status_is 10 ".connected and .source == \"panel\" and .path == \"$NODE\" and $2"
  devbench_wait_polled "$mark" "$PLUGGED" "$3"
  sleep 0.3
  for widget in labelCorvaneModel lineEditCvDeviceSN labelCvDeviceAdapter; do
    SHOWN[$widget]=$(e2e_grab "$widget")
  done
  devbench_unplug "$PLUGGED"
  status_is 5 '.connected | not'
}

# same|differ <widget> <first> <second>
same() { [ "$2" = "$3" ] || fail "$1 differs where the text is the same"; }
differ() { [ "$2" != "$3" ] || fail "$1 draws the same for different text"; }

devbench_start_session
e2e_launch
e2e_wait_window
e2e_load_points labelCorvaneModel lineEditCvDeviceSN labelCvDeviceAdapter
# The adapter label is as wide as its text, which the form leaves empty:
# room for "12.96 V" is grabbed, short of the check box further right.
read -r x y _ h <<<"${E2E_AT[labelCvDeviceAdapter]}"
E2E_AT[labelCvDeviceAdapter]="$x $y 90 $h"
wait_for 10 status_meets '.source == "panel"' || fail "the panel is not on the bus: $CTL_ERR"

step "1. v2000, hardware 21"
shows "v2000,hw=21,adapter=1370,cpuid=00112233445566778899aabb" '.protocol == "v2000" and .model == "CRV-M7k II"
  and .firmware == "fw-2.0" and .serial == "00112233445566778899aabb" and .adapter_volts == 12
  and ([.fans[].rpm] == [null,null,null,null])' 01
declare -A hw21
for widget in "${!SHOWN[@]}"; do hw21[$widget]=${SHOWN[$widget]}; done

step "2. v2000, hardware 22"
shows "v2000,hw=22,adapter=1480,cpuid=a0a1a2a3a4a5a6a7a8a9aaab" '.protocol == "v2000" and .model == "CRV-M7k II"
  and .firmware == "fw-2.0" and .serial == "a0a1a2a3a4a5a6a7a8a9aaab" and .adapter_volts == 12.96
  and ([.fans[].rpm] == [0,0,0,0])' 01
same labelCorvaneModel "${hw21[labelCorvaneModel]}" "${SHOWN[labelCorvaneModel]}"
differ lineEditCvDeviceSN "${hw21[lineEditCvDeviceSN]}" "${SHOWN[lineEditCvDeviceSN]}"
differ labelCvDeviceAdapter "${hw21[labelCvDeviceAdapter]}" "${SHOWN[labelCvDeviceAdapter]}"

step "3. v1100"
shows "v1100,adapter=1370,cpuid=00112233445566778899aabb" '.protocol == "v1100" and .model == "CRV-M7k"
  and .firmware == "fw-1.1" and .serial == "00112233445566778899aabb" and .adapter_volts == 12' 02
differ labelCorvaneModel "${hw21[labelCorvaneModel]}" "${SHOWN[labelCorvaneModel]}"
same lineEditCvDeviceSN "${hw21[lineEditCvDeviceSN]}" "${SHOWN[lineEditCvDeviceSN]}"
same labelCvDeviceAdapter "${hw21[labelCvDeviceAdapter]}" "${SHOWN[labelCvDeviceAdapter]}"

echo PASS
