#!/usr/bin/env bash
# Installs the Debian packages the console, its tests and its tools need, plus
# any named on the command line. With --console, only what building and
# running the console and the simulator needs (scripts/run.sh,
# scripts/try-with-sim.sh); without it, also the manual pages, the format
# check, the end-to-end tests, the bench and the package checks (scripts/test.sh).
# Idempotent: packages that are already there are not touched, and apt is only
# called when something is missing.
#
#   scripts/setup.sh [--console] [package...]
set -euo pipefail

console=(
  # build: the compiler and tools, Qt 6 with Qt Serial Port (its Gui package
  # looks for OpenGL), and the X11 libraries the console calls itself (the
  # display check, the keyboard layouts)
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev libxcb1-dev libxcb-xkb-dev
  # gamepads: SDL2's game-controller API
  libsdl2-dev
  # run: Qt's X11 platform plugin
  qt6-qpa-plugins
  # runtime look: a metric-compatible Tahoma, a general UI font, and one that
  # draws the control pictures the log shows control bytes as
  fonts-wine fonts-dejavu-core fonts-freefont-ttf
)
rest=(
  # the format check
  clang-format
  # manual pages, from the programs' --help
  help2man
  # end-to-end tests on a real X server
  xvfb xauth xdotool openbox x11-xkb-utils x11-utils x11-xserver-utils xclip socat
  # benchmark: pointer moves through XTest, timed in-process
  libxcb-xtest0-dev
  # package checks
  dpkg-dev desktop-file-utils file lintian
)

if [ "${1:-}" = --console ]; then
  shift
  packages=("${console[@]}" "$@")
else
  packages=("${console[@]}" "${rest[@]}" "$@")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
