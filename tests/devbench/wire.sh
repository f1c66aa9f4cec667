#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the shipped panel puts on the wire through the system's hidapi, as a
# v2000 controller behind a hidraw node of corvane-devbench receives it, byte
# for byte and paced as the protocol demands (the bench's report log):
#
#  1. a click on the G1 slider (level 1, Change Boost on): both fans of the
#     group at 100 %, then about a second later at level 1's 20 %;
#  2. an LED law uploaded through the panel (a law file of the suite's own,
#     whose every byte is known): LED off, interval and count, the twelve
#     channel reports, LED on, at least 10 ms after each of LED off and the
#     channel reports.
set -uo pipefail
source "$(dirname "$0")/devbench.sh"

# report <hex>: a whole feature report, zero-padded to 65 bytes.
report() {
  local hex=$1
  while [ ${#hex} -lt 130 ]; do hex+=00; done
  echo "$hex"
}

# sends_since <since> <path>: "<ms> <report>" for each report sent to <path>.
sends_since() {
  log_since "$1" | awk -v path="$2" '$2 == path && $3 ~ /^send/ { print $1, $3 == "send" ? $4 : "FAILED" }'
}

# sent_at_least <since> <path> <count>
sent_at_least() {
  [ "$(sends_since "$1" "$2" | wc -l)" -ge "$3" ]
}

# expect_sends <since> <path> <count> <report>...: exactly these reports went
# out, in this order, once <count> of them are there; sets SENT_MS to their times.
expect_sends() {
  local since=$1 path=$2 count=$3 i
  shift 3
  wait_for 10 sent_at_least "$since" "$path" "$count" ||
    fail "$count reports expected, got: $(sends_since "$since" "$path" | cut -c1-40)"
  sleep 0.2
  mapfile -t SENT < <(sends_since "$since" "$path")
  [ "${#SENT[@]}" -eq "$count" ] || fail "${#SENT[@]} reports went out, not $count"
  SENT_MS=()
  for i in "${!SENT[@]}"; do
    [ "${SENT[$i]#* }" = "$1" ] || fail "report $((i + 1)) is ${SENT[$i]#* }, not $1"
    SENT_MS+=("${SENT[$i]%% *}")
    shift
  done
}

# law_values <channel>: the suite's law, one step a line: CH1 rises, CH2
# falls, CH3 steps by 7.
law_values() {
  local step
  for ((step = 0; step < 256; ++step)); do
    case $1 in
      1) echo $step ;;
      2) echo $((255 - step)) ;;
      3) echo $((step * 7 % 256)) ;;
    esac
  done
}

# The law as MessagePack, as the LED law writer encodes it: a map of the
# interval (100 ms), the count (200) and three arrays of 256 steps.
write_law() {
  local channel value escapes='\x85'
  key() { escapes+=$(printf '\\x%02x' $((0xa0 + ${#1})))$(printf '%s' "$1" | od -An -tx1 -v | tr -d ' \n' | sed 's/../\\x&/g'); }
  uint() { if (( $1 < 128 )); then escapes+=$(printf '\\x%02x' "$1"); else escapes+=$(printf '\\xcc\\x%02x' "$1"); fi; }
  key LED_IntervalTimeMS; uint 100
  key LED_LawCount; escapes+='\xcc\xc8'
  for channel in 1 2 3; do
    key "CH$channel"
    escapes+='\xdc\x01\x00'
    while read -r value; do uint "$value"; done < <(law_values $channel)
  done
  printf '%b' "$escapes" >"$1"
}

# block <channel> <part>: the channel report of that quarter of a channel.
block() {
  local first=$(( $1 * 16 + $2 )) values
  values=$(law_values "$1" | sed -n "$(( $2 * 64 + 1 )),$(( $2 * 64 + 64 ))p" | xargs printf '%02x')
  printf '%02x%s\n' "$first" "$values"
}

devbench_start_session
e2e_launch
e2e_wait_window
e2e_load_points horizontalSliderFanG1
mark=$(log_size)
devbench_plug "v2000,hw=21"
devbench_wait_polled "$mark" "$PLUGGED" 01
status_is 5 '.connected and .mode == "manual" and .levels.G1 == 0'

step "1. the G1 slider"
mark=$(log_size)
e2e_click horizontalSliderFanG1 95
status_is 3 '.levels.G1 == 1'
expect_sends "$mark" "$PLUGGED" 4 \
  "$(report 06a0b000b064c010a1)" "$(report 06a0b001b064c010a1)" \
  "$(report 06a0b000b014c010a1)" "$(report 06a0b001b014c010a1)"
# The boost goes out 10 ms after the click, the level 1000 ms after it; on
# a loaded machine the boost may leave late, so the bounds are wide.
boosted=$(( SENT_MS[2] - SENT_MS[1] ))
(( boosted >= 500 && boosted <= 1500 )) || fail "level 1 followed the boost after $boosted ms, not about 1000"

step "2. an LED law"
ctl led on || fail "led on failed: $CTL_ERR"
status_is 3 '.led.power'
write_law "$CTL_WORK/law.adl"
mark=$(log_size)
ctl led upload "$CTL_WORK/law.adl" || fail "the upload failed ($CTL_STATUS): $CTL_ERR"
expect_sends "$mark" "$PLUGGED" 15 \
  "$(report 06a0b000c020a1)" "$(report 06a0b064b000c021b0c8b000c022a1)" \
  "$(block 1 0)" "$(block 1 1)" "$(block 1 2)" "$(block 1 3)" \
  "$(block 2 0)" "$(block 2 1)" "$(block 2 2)" "$(block 2 3)" \
  "$(block 3 0)" "$(block 3 1)" "$(block 3 2)" "$(block 3 3)" \
  "$(report 06a0b001c020a1)"
# 10 ms after LED off, after each channel report (the last one before LED on).
for i in 0 2 3 4 5 6 7 8 9 10 11 12 13; do
  gap=$(( SENT_MS[i + 1] - SENT_MS[i] ))
  [ "$gap" -ge 10 ] || fail "report $((i + 2)) came $gap ms after the one before, not 10 or more"
done
total=$(( SENT_MS[14] - SENT_MS[0] ))
[ "$total" -le 1000 ] || fail "the upload took $total ms"

echo PASS
