#!/usr/bin/env bash
# Refreshes the README's screenshots from the real programs: the simulator and
# the console side by side on a private Xvfb, the console connected to the
# simulator and driven by pointer moves as an operator would.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh x11-apps imagemagick
scripts/build.sh
mkdir -p docs

exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1400x800x24 -nolisten tcp &
xvfb_pid=$!
sim_pid=
console_pid=
cleanup() {
  kill $console_pid $sim_pid 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
read -r display_number <&"$display_fd"
export DISPLAY=":$display_number"

coproc SIM { exec build/sim/tavimork-sim --screenshot docs/simulator.png --screenshot-delay-ms 6000; }
sim_pid=$SIM_PID
read -r device <&"${SIM[0]}"
sim_window=$(xdotool search --sync --name 'robot simulator' | head -n 1)
xdotool windowmove "$sim_window" 640 0

TAVIMORK_PORT1=$device build/app/tavimork &
console_pid=$!
console_window=$(xdotool search --sync --name 'Tavimork PC Controlled Robot' | head -n 1)
xdotool windowmove --sync "$console_window" 0 0
# Where the controls stand, in client pixels, from the console's own layout.
layout=$(build/app/tavimork-layout)
# Points the pointer at a control: its centre, or with "corner" a little inside
# its top left corner (the direction labels grow with their caption's font).
at() {
  read -r x y w h < <(awk -v name="$1" '$1 == name { print $2, $3, $4, $5 }' <<<"$layout")
  if [ "${2:-}" = corner ]; then
    xdotool mousemove --window "$console_window" $((x + 12)) $((y + 8))
  else
    xdotool mousemove --window "$console_window" $((x + w / 2)) $((y + h / 2))
  fi
}

at cmdConn; xdotool click 1
sleep 0.3
at lblForward corner; sleep 1.2
at lblLeft corner; sleep 0.7
at lblForward corner; sleep 1.0
at lblStop1                 # the stop bar above
sleep 0.8
xwd -silent -id "$console_window" | convert xwd:- docs/console.png
wait "$sim_pid" || true
echo "wrote docs/console.png and docs/simulator.png"
