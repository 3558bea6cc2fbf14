#!/usr/bin/env bash
# Installs the Debian packages the console, its tests and its tools need, plus
# any named on the command line. Idempotent: packages that are already there
# are not touched, and apt is only called when something is missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libgl-dev libxcb1-dev libxcb-xkb-dev
  # manual pages, from the programs' --help
  help2man
  # runtime look: a metric-compatible Tahoma, a general UI font, and one that
  # draws the control pictures the log shows control bytes as
  fonts-wine fonts-dejavu-core fonts-freefont-ttf
  # end-to-end tests on a real X server
  xvfb xauth xdotool openbox x11-xkb-utils x11-utils x11-xserver-utils xclip socat
  # benchmark: pointer moves through XTest, timed in-process
  libxcb-xtest0-dev
  # package checks
  dpkg-dev desktop-file-utils file lintian
  "$@"
)

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
