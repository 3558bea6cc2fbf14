#!/usr/bin/env bash
# Builds SDL2 (Debian 12's version, only what game controllers need) for
# Windows x86_64 with Debian's MinGW-w64 (posix threads), once, into a cache
# beside Qt's. A second run with the same inputs only prints the prefix.
# About 90 s on two cores; 5 MB installed.
#
# Usage: scripts/windows/build-sdl.sh [CACHE_DIR]   (default /var/cache/qt-mingw)
# Env:   TAVIMORK_SDL_MINGW_WORK  scratch folder (default /tmp/sdl-mingw-build)
#        JOBS (default: the number of cores)
# Prints the SDL prefix as the last line of standard output; progress and the
# time of each step go to standard error.
set -euo pipefail
trap 'echo "build-sdl: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

CACHE_DIR=${1:-/var/cache/qt-mingw}
WORK=${TAVIMORK_SDL_MINGW_WORK:-/tmp/sdl-mingw-build}
JOBS=${JOBS:-$(nproc)}

# No audio, video renderer or test programs: the console only reads pads.
SDL_CMAKE_FLAGS=(
  -DCMAKE_BUILD_TYPE=Release -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
  -DSDL_AUDIO=OFF -DSDL_RENDER=OFF
)
# Bump when the recipe below changes in a way the flags do not show.
RECIPE=1

"$root/scripts/setup.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 cmake ninja-build dpkg-dev xz-utils >&2

if ! apt-cache showsrc libsdl2 2>/dev/null | grep -q '^Version: 2\.'; then
  echo "build-sdl: adding Debian's source index for apt-get source" >&2
  sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
    >/etc/apt/sources.list.d/tavimork-deb-src.sources
  apt-get update -qq >&2
fi

sdl_src=$(apt-cache showsrc libsdl2 | sed -n 's/^Version: //p' | sort -V | tail -1)
mingw=$(x86_64-w64-mingw32-gcc-posix -dumpfullversion)-$(dpkg-query -W -f '${Version}' gcc-mingw-w64-x86-64-posix)
key=$(printf '%s\n' "$sdl_src" "$mingw" "${SDL_CMAKE_FLAGS[*]}" "$RECIPE" | sha256sum | cut -c1-12)
PREFIX=$CACHE_DIR/sdl2-${sdl_src%%+*}-mingw64-$key
mkdir -p "$CACHE_DIR"
exec 9>"$CACHE_DIR/.sdl-lock"
if ! flock -n 9; then
  echo "build-sdl: another build holds $CACHE_DIR/.sdl-lock; waiting for it" >&2
  flock 9
fi
if [ -f "$PREFIX/.complete" ]; then
  echo "build-sdl: cached: $(cat "$PREFIX/.complete")" >&2
  echo "$PREFIX"
  exit 0
fi

rm -rf "$PREFIX" "$WORK"
mkdir -p "$PREFIX/share" "$WORK/src" "$WORK/build"
TOOLCHAIN=$PREFIX/share/mingw-w64-x86_64-posix.cmake
cat >"$TOOLCHAIN" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

step() {
  local start=$SECONDS
  "$@"
  echo "build-sdl: $((SECONDS - start)) s: $*" >&2
}
logged() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "build-sdl: failed; the whole log is $log" >&2
    return 1
  fi
}

cd "$WORK/src"
step logged "$WORK/source.log" apt-get source -q --download-only libsdl2
tar -xf libsdl2_*.orig.tar.*
SRC=$(ls -d "$WORK"/src/SDL2-*/)
step logged "$WORK/configure.log" nice -n 10 cmake -S "$SRC" -B "$WORK/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_INSTALL_PREFIX="$PREFIX" "${SDL_CMAKE_FLAGS[@]}"
step logged "$WORK/build.log" nice -n 10 cmake --build "$WORK/build" --parallel "$JOBS"
# With share/licenses/SDL2/LICENSE.txt, which the installer ships.
step logged "$WORK/install.log" cmake --install "$WORK/build"

echo "key=$key libsdl2=$sdl_src mingw=$mingw built=$(date -u +%FT%TZ)" >"$PREFIX/.complete"
rm -rf "$WORK"
echo "$PREFIX"
