#!/usr/bin/env bash
# Installs what the console and the simulator need, builds those two alone
# (not the tests or the benchmark), then starts the robot simulator and the
# console with the console's port 1 pointed at the simulator. Closing the
# console ends both. Arguments go to the simulator (see tavimork-sim --help).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --console tavimork tavimork-sim

coproc SIM { exec build/sim/tavimork-sim "$@"; }
sim_pid=$SIM_PID
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
# The simulator's first line is the device to open.
read -r device <&"${SIM[0]}"
echo "simulated robot on $device (port 1)"
TAVIMORK_PORT1=$device build/app/tavimork
