#!/usr/bin/env bash
# Builds Qt 6.4.2 (qtbase and Qt Serial Port, Debian 12's version) for Windows
# x86_64 with Debian's MinGW-w64 (posix threads), once, into a cache outside
# the source tree. A second run with the same inputs only prints the prefix.
# About 25 minutes on two cores; 81 MB installed.
#
# Usage: scripts/windows/build-qt.sh [CACHE_DIR]   (default /var/cache/qt-mingw)
# Env:   TAVIMORK_QT_MINGW_WORK  scratch folder (default /tmp/qt-mingw-build)
#        JOBS (default: the number of cores)
# Prints the Qt prefix as the last line of standard output; progress and the
# time of each step go to standard error.
set -euo pipefail
TAG=build-qt
# shellcheck source=mingw-cache.sh
. "$(dirname "$0")/mingw-cache.sh"

WORK=${TAVIMORK_QT_MINGW_WORK:-/tmp/qt-mingw-build}
# Debian's archive here serves the .dsc of qt6-serialport but not its tarball:
# the upstream v6.4.2 source is kept in the tree.
SERIALPORT_TARBALL=$root/packaging/windows/qtserialport-6.4.2.tar.xz
SERIALPORT_SHA256=62faa469a3213b3070cbacc079fc6c39d20e0d71048f0153ab965eda2a9771c4

QT_CONFIGURE_FLAGS=(
  -xplatform win32-g++ -qt-host-path /usr
  -release -shared -nomake examples -nomake tests
  -no-dbus -no-opengl -no-openssl -no-icu
  -qt-zlib -qt-pcre -qt-libpng -no-libjpeg -qt-freetype -qt-harfbuzz
  -no-feature-network -no-feature-sql -no-feature-xml -no-feature-concurrent
  -no-feature-printsupport -no-feature-vulkan -no-feature-zstd
  # Debian's dfsg tarball has no src/3rdparty/wintab, so the windows plugin's
  # tablet support cannot build. Do not add -no-feature-direct2d: in 6.4.2 all
  # DirectWrite code in QtGui hangs on it and qwindows.dll fails to link.
  -no-feature-tabletevent -no-feature-androiddeployqt
)
# Bump when the recipe below changes in a way the flags do not show.
RECIPE=1

"$root/scripts/setup.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 mingw-w64-tools qt6-base-dev-tools dpkg-dev perl python3 xz-utils >&2

need_source_index qt6-base '6\.4\.2'

host_qt=$(dpkg-query -W -f '${Version}' qt6-base-dev)
base_src=$(apt-cache showsrc qt6-base | sed -n 's/^Version: //p' | sort -V | tail -1)
mingw=$(x86_64-w64-mingw32-g++-posix -dumpfullversion)-$(dpkg-query -W -f '${Version}' g++-mingw-w64-x86-64-posix)
key=$(printf '%s\n' "$host_qt" "$base_src" "$mingw" "${QT_CONFIGURE_FLAGS[*]}" "$RECIPE" "$SERIALPORT_SHA256" |
  sha256sum | cut -c1-12)
PREFIX=$CACHE_DIR/qt-6.4.2-mingw64-$key
hold_cache_lock "$CACHE_DIR/.lock"
if [ -f "$PREFIX/.complete" ]; then
  echo "build-qt: cached: $(cat "$PREFIX/.complete")" >&2
  echo "$PREFIX"
  exit 0
fi

echo "$SERIALPORT_SHA256  $SERIALPORT_TARBALL" | sha256sum --check --quiet >&2 || {
  echo "build-qt: $SERIALPORT_TARBALL is missing or damaged; it is the tag v6.4.2 of" \
    "https://code.qt.io/qt/qtserialport.git as a .tar.xz" >&2
  exit 1
}

rm -rf "$PREFIX" "$WORK"
mkdir -p "$PREFIX/share" "$WORK/src" "$WORK/build/qtbase" "$WORK/build/qtserialport"

# qt.toolchain.cmake refers to the toolchain file by path, so it lives in the
# prefix it describes.
TOOLCHAIN=$PREFIX/share/mingw-w64-x86_64-posix.cmake
write_toolchain "$TOOLCHAIN" archiver


cd "$WORK/src"
step logged "$WORK/source.log" apt-get source -q qt6-base
tar -xf "$SERIALPORT_TARBALL"
BASE_SRC=$(ls -d "$WORK"/src/qt6-base-6.4.2*/)
# The tarball's top folder is qt6-serialport-6.4.2; an upstream export names it
# qtserialport-everywhere-src-6.4.2.
shopt -s nullglob
sp_dirs=("$WORK"/src/qt6-serialport-6.4.2*/ "$WORK"/src/qtserialport-*6.4.2*/)
shopt -u nullglob
((${#sp_dirs[@]})) || {
  echo "build-qt: $SERIALPORT_TARBALL holds no Qt Serial Port 6.4.2 folder" >&2
  exit 1
}
SP_SRC=${sp_dirs[0]}

cd "$WORK/build/qtbase"
step logged configure.log nice -n 10 "$BASE_SRC/configure" -prefix "$PREFIX" "${QT_CONFIGURE_FLAGS[@]}" -- \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
step logged build.log nice -n 10 cmake --build . --parallel "$JOBS"
step logged install.log cmake --install .

cd "$WORK/build/qtserialport"
step logged configure.log nice -n 10 "$PREFIX/bin/qt-configure-module" "$SP_SRC"
step logged build.log nice -n 10 cmake --build . --parallel "$JOBS"
step logged install.log cmake --install .

echo "key=$key host_qt=$host_qt qt6-base=$base_src mingw=$mingw built=$(date -u +%FT%TZ)" >"$PREFIX/.complete"
rm -rf "$WORK"
echo "$PREFIX"
