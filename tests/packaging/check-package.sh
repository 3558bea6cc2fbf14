#!/usr/bin/env bash
# Builds the Debian package from a configured build tree and checks what a
# user installing it gets: the programs and their command lines, the desktop
# entries and icons, manual pages and licence, the declared runtime
# dependencies, that apt can resolve them here, and that lintian finds nothing.
set -euo pipefail

build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB -B "$work/out" --config "$build_dir/CPackConfig.cmake" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; fail "cpack did not build the package"; }
deb=$(find "$work/out" -maxdepth 1 -name 'tavimork_*.deb' | head -n 1)
[ -n "$deb" ] || fail "no tavimork_*.deb produced"
echo "package: $(basename "$deb")"

programs=(tavimork tavimork-sim tavimork-with-sim)
paths=(./usr/share/doc/tavimork/copyright ./usr/share/doc/tavimork/changelog.Debian.gz
       ./usr/share/icons/hicolor/scalable/apps/tavimork.svg)
for program in "${programs[@]}"; do
  paths+=("./usr/bin/$program" "./usr/share/man/man1/$program.1.gz")
done
# The simulator alone leads nowhere from a menu: it comes with the console.
for entry in tavimork tavimork-with-sim; do
  paths+=("./usr/share/applications/$entry.desktop")
done
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in "${paths[@]}"; do
  grep -qx -- "$path" <<<"$contents" || fail "package lacks $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libsdl2-2.0-0 qt6-qpa-plugins fonts-freefont-ttf; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends does not name $lib"
done

dpkg-deb -x "$deb" "$work/root"
for entry in "$work"/root/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry" || fail "$(basename "$entry") is not a valid desktop entry"
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$work/root/usr/bin/$exec_name" ] || fail "$(basename "$entry") starts $exec_name, which is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=$(file -b "$work/root/usr/share/icons/hicolor/${size}x${size}/apps/tavimork.png")
  grep -q "^PNG image data, $size x $size," <<<"$icon" || fail "${size}x${size} icon: $icon"
done
copyright=$work/root/usr/share/doc/tavimork/copyright
grep -qx 'Copyright: 2026 The Tavimork developers' "$copyright" && grep -qx 'License: Expat' "$copyright" \
  || fail "copyright does not name the developers and the MIT (Expat) licence"

# --help and --version answer without a display, from the project's version;
# anything else on the command line is a usage error, and a missing display
# is said plainly instead of Qt's abort.
version=$(dpkg-deb -f "$deb" Version)
for program in "${programs[@]}"; do
  [ "$(env -i "$work/root/usr/bin/$program" --version)" = "$program ${version%-*}" ] \
    || fail "$program --version does not say $program ${version%-*}"
  grep -q "^Usage: .*$program" <<<"$(env -i "$work/root/usr/bin/$program" --help)" \
    || fail "$program --help shows no usage"
done
expect_exit() { # status [NAME=value...] program args...
  local want=$1 vars=()
  shift
  while [[ $1 == *=* ]]; do vars+=("$1"); shift; done
  local program=$1
  shift
  set +e
  env -i "${vars[@]}" "$work/root/usr/bin/$program" "$@" >"$work/out.log" 2>&1
  local got=$?
  set -e
  [ "$got" -eq "$want" ] || { cat "$work/out.log" >&2; fail "$program $* exited with $got, not $want"; }
}
expect_exit 2 tavimork --no-such-option
expect_exit 2 tavimork unexpected-argument
# No display, one where no X server answers, and a name that is no display at all.
for row in '|neither DISPLAY.*WAYLAND_DISPLAY' ':65000|no X server answers at DISPLAY=:65000' \
           'garbage|no X server answers at DISPLAY=garbage'; do
  display=${row%%|*} said=${row#*|}
  expect_exit 1 DISPLAY="$display" tavimork
  grep -q "needs a graphical display, but $said" "$work/out.log" \
    || { cat "$work/out.log" >&2; fail "tavimork with DISPLAY='$display' does not say what is missing"; }
  expect_exit 1 DISPLAY="$display" tavimork-sim
  grep -q "needs a graphical display, but $said" "$work/out.log" && grep -q -- '--headless' "$work/out.log" \
    || { cat "$work/out.log" >&2; fail "tavimork-sim with DISPLAY='$display' does not say what is missing"; }
done

# The launcher points port 1 at the device the simulator announces, passes
# its options to the simulator and ends it when the console closes.
mkdir "$work/launch"
cp "$work/root/usr/bin/tavimork-with-sim" "$work/launch/"
printf '#!/bin/sh\necho "$*" >%s/sim-args\necho $$ >%s/sim-pid\necho /dev/pts/sim\nexec sleep 60\n' \
  "$work" "$work" >"$work/launch/tavimork-sim"
printf '#!/bin/sh\necho "port 1: $TAVIMORK_PORT1"\n' >"$work/launch/tavimork"
chmod +x "$work/launch/tavimork-sim" "$work/launch/tavimork"
[ "$("$work/launch/tavimork-with-sim" --headless)" = "port 1: /dev/pts/sim" ] \
  || fail "tavimork-with-sim does not point port 1 at the simulator"
[ "$(cat "$work/sim-args")" = --headless ] || fail "tavimork-with-sim does not pass its options on"
if kill -0 "$(cat "$work/sim-pid")" 2>/dev/null; then
  fail "tavimork-with-sim leaves the simulator running"
fi

# The packaged console starts and keeps running until it is told to stop.
set +e
QT_QPA_PLATFORM=offscreen timeout 3 "$work/root/usr/bin/tavimork" >"$work/run.log" 2>&1
status=$?
set -e
[ "$status" -eq 124 ] || { cat "$work/run.log" >&2; fail "packaged tavimork exited with $status at start"; }

# Dependency resolution as 'apt-get install ./file.deb' would do it, without installing.
if [ "$(id -u)" -eq 0 ]; then
  apt-get install -s -qq "$deb" >"$work/apt.log" 2>&1 \
    || { cat "$work/apt.log" >&2; fail "apt cannot resolve the package's dependencies"; }
fi

# Root owns CI's machine; lintian only warns about running as root.
lintian_args=(--fail-on error,warning)
[ "$(id -u)" -ne 0 ] || lintian_args+=(--allow-root)
lintian "${lintian_args[@]}" "$deb" || fail "lintian found the problems above"

echo "package checks passed"
