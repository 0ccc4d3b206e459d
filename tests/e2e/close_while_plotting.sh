#!/usr/bin/env bash
# Starts the real program under Xvfb, sets a long plot going (iterations at
# 30000, step 1) and asks the program to end while that plot runs: once with
# the close request a window manager's close box sends, once with File > Exit
# from the keyboard. Each time the program must be gone within 3 seconds with
# exit status 0.
#   $1: the vantorel executable
set -uo pipefail
exe=${1:?usage: close_while_plotting.sh path/to/vantorel}
here=$(cd "$(dirname "$0")" && pwd)
close_request=$(dirname "$exe")/vantorel-close-request

if [ -z "${VANTOREL_E2E_INSIDE:-}" ]; then
  command -v xvfb-run >/dev/null || { echo "xvfb-run is missing" >&2; exit 1; }
  export VANTOREL_E2E_INSIDE=1
  # A screen that holds the whole window at any layout scale the test font
  # gives, so that no control is scrolled out of reach.
  exec xvfb-run -a -s "-screen 0 1600x1200x24" bash "$here/close_while_plotting.sh" "$exe"
fi

stop_clicking() { [ -n "${clicker:-}" ] && kill "$clicker" 2>/dev/null; wait "${clicker:-}" 2>/dev/null; clicker=; }
fail() { echo "FAIL: $*" >&2; stop_clicking; [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null; exit 1; }

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# The window's layout scale and menu bar height, from the window's size: the
# client area below the menu bar is 10830 x 9375 twips, 15 twips to a pixel
# at scale 1, grown by the scale so that the font fits.
measure_window() {
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  scale=$(awk -v w="$WIDTH" 'BEGIN { print w * 15 / 10830 }')
  menu=$((HEIGHT - $(px 9375)))
}
# Twips of the layout tables as pixels of the client area.
px() { awk -v t="$1" -v s="$scale" 'BEGIN { printf "%d", t * s / 15 + 0.5 }'; }

# Starts the program and a 30000 / step 1 plot; sets pid and wid.
start_long_plot() {
  "$exe" & pid=$!
  wid=$(timeout 15 xdotool search --sync --onlyvisible --name '^Vantorel$' | head -n1)
  [ -n "$wid" ] || fail "no window appeared"
  measure_window
  # itera bar (1440, 8640, 3495 x 255 twips): click into it to focus it, End for 30000.
  xdotool mousemove --window "$wid" "$(px 3000)" $((menu + $(px 8767))) click 1 sleep 0.2 key End
  # kstep bar (1440, 8280): Home for a step of 1.
  xdotool mousemove --window "$wid" "$(px 3000)" $((menu + $(px 8407))) click 1 sleep 0.2 key Home
  # "&Start" (120, 720, 1215 x 495 twips), clicked again and again: the full
  # view at 30000 / step 1 takes a few hundredths of a second, so a click
  # every 10 ms starts a new pass inside the running one before it can end,
  # and the program keeps plotting while it is asked to end.
  xdotool mousemove --window "$wid" "$(px 727)" $((menu + $(px 967))) click --repeat 400 --delay 10 1 &
  clicker=$!
  local before after
  before=$(cpu_ticks "$pid")
  sleep 1.5
  kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"
  after=$(cpu_ticks "$pid")
  # A running plot keeps a core busy; an idle program takes next to nothing.
  # At least a quarter of a core (0.375 s of CPU in 1.5 s), which a plot gets
  # even on a machine busy with other work.
  [ $((after - before)) -ge 38 ] || fail "no plot seems to be running (cpu ticks $before -> $after)"
}

# Waits up to 3 s for the program to end and checks its status.
expect_prompt_exit() {
  local what=$1 i
  for i in $(seq 1 30); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "$what: still running 3 s after the request"
  stop_clicking
  wait "$pid"
  local status=$?
  [ "$status" -eq 0 ] || fail "$what: exit status $status"
  echo "ok: $what ended the program with status 0"
}

start_long_plot
[ -x "$close_request" ] || fail "$close_request is missing"
"$close_request" "$wid" || fail "could not send the close request"
expect_prompt_exit "close request"

start_long_plot
# A click on "&Start" would close the menu. Instead, one last Start with
# "&Pause" from the Run menu right behind it: the pass that Start began waits
# in its event pump, and Exit comes while it is suspended there.
stop_clicking
xdotool windowfocus --sync "$wid"
xdotool mousemove --window "$wid" "$(px 727)" $((menu + $(px 967))) click 1 key alt+r p
sleep 0.5
kill -0 "$pid" 2>/dev/null || fail "the program ended on its own"
xdotool key alt+f sleep 0.3 key e
expect_prompt_exit "File > Exit while paused"
