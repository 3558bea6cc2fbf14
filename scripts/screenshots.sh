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
# Client coordinates of the window's controls, in pixels.
at() { xdotool mousemove --window "$console_window" "$1" "$2"; }

at 224 24; xdotool click 1    # Connect
sleep 0.3
at 410 160; sleep 1.2       # Move Forward
at 330 184; sleep 0.7       # Move Left
at 410 160; sleep 1.0       # Move Forward
at 400 128                  # the stop bar above
sleep 0.8
xwd -silent -id "$console_window" | convert xwd:- docs/console.png
wait "$sim_pid" || true
echo "wrote docs/console.png and docs/simulator.png"
