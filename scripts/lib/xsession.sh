# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced: a virtual X server of the caller's own (Xvfb), optionally with
# trayer as the system tray, and waiting for windows on it by title. The
# demo scripts and the end-to-end sessions (tests/e2e/session.sh) share it.
#
#   xsession_start [screen]            Xvfb on a free display; exports DISPLAY
#   xsession_start_tray [ready...]     trayer, then the command that tells it took the tray
#   xsession_windows <title>           the mapped windows whose title matches
#   xsession_wait_window <title> <s>   waits for one; sets XSESSION_WINDOW
#   xsession_stop                      ends what was started here, DISPLAY with it
#   xsession_wait_for <s> <command...> retries the command until it succeeds

XSESSION_PIDS=()

# xsession_wait_for <seconds> <command...>: retries the command every 20 ms
# until it succeeds; fails once that many seconds have passed.
xsession_wait_for() {
  local deadline=$(( $(date +%s%N) + $1 * 1000000000 ))
  shift
  until "$@"; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.02
  done
}

# xsession_start [width x height x depth]: fails when Xvfb does not start.
xsession_start() {
  local file status=0
  file=$(mktemp "${TMPDIR:-/tmp}/xsession.XXXXXX")
  # Xvfb picks a free display and writes its number to fd 3. It does not
  # reset when its last client leaves: a resetting server refuses whoever
  # connects meanwhile, and with the X servers of several suites starting
  # side by side that was now and then a program's first connection.
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768x24}" -nolisten tcp -noreset 3>"$file" 2>/dev/null &
  XSESSION_PIDS+=($!)
  if xsession_wait_for 30 test -s "$file"; then
    export DISPLAY=":$(head -n1 "$file")"
  else
    status=1
  fi
  rm -f "$file"
  return "$status"
}

# xsession_start_tray [ready command...]: trayer docked at the top right. X
# has no shell tool that tells who owns the tray, so a caller that must know
# passes a command that waits until trayer does.
xsession_start_tray() {
  trayer --edge top --align right --widthtype request >/dev/null 2>&1 &
  XSESSION_PIDS+=($!)
  [ $# -eq 0 ] || "$@"
}

# xsession_windows <title pattern>: the ids of the mapped windows whose title
# matches, one a line. A search can come back short while windows come and go.
xsession_windows() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null
}

# Sets XSESSION_WINDOW to the first mapped window whose title matches $1.
xsession_window_found() {
  XSESSION_WINDOW=$(xsession_windows "$1" | head -n1)
  [ -n "$XSESSION_WINDOW" ]
}

# xsession_wait_window <title pattern> <seconds>
xsession_wait_window() {
  xsession_wait_for "$2" xsession_window_found "$1"
}

# A DISPLAY left naming a server that is gone would lead programs started
# later, wine among them, to fail on it instead of running without one.
xsession_stop() {
  if [ ${#XSESSION_PIDS[@]} -gt 0 ]; then
    kill "${XSESSION_PIDS[@]}" 2>/dev/null || true
    wait "${XSESSION_PIDS[@]}" 2>/dev/null || true
    unset DISPLAY
  fi
  XSESSION_PIDS=()
}
