#!/usr/bin/env bash
# Builds the Debian package from a configured build tree and checks what a
# user installing it gets: the programs, the desktop entries and icons, the
# declared runtime dependencies, and that apt can resolve them here.
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

contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for path in ./usr/bin/tavimork ./usr/bin/tavimork-sim \
            ./usr/share/applications/tavimork.desktop \
            ./usr/share/applications/tavimork-sim.desktop \
            ./usr/share/icons/hicolor/32x32/apps/tavimork.png \
            ./usr/share/icons/hicolor/scalable/apps/tavimork.svg; do
  grep -qx -- "$path" <<<"$contents" || fail "package lacks $path"
done

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends does not name $lib"
done

dpkg-deb -x "$deb" "$work/root"
for entry in "$work"/root/usr/share/applications/*.desktop; do
  desktop-file-validate "$entry" || fail "$(basename "$entry") is not a valid desktop entry"
  exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
  [ -x "$work/root/usr/bin/$exec_name" ] || fail "$(basename "$entry") starts $exec_name, which is not installed"
done
[ "$(file -b --mime-type "$work/root/usr/share/icons/hicolor/32x32/apps/tavimork.png")" = image/png ] \
  || fail "32x32 icon is not a PNG"

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

echo "package checks passed"
