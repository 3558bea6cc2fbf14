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
TAG=build-sdl
# shellcheck source=mingw-cache.sh
. "$(dirname "$0")/mingw-cache.sh"

WORK=${TAVIMORK_SDL_MINGW_WORK:-/tmp/sdl-mingw-build}

# No audio, video renderer or test programs: the console only reads pads.
SDL_CMAKE_FLAGS=(
  -DCMAKE_BUILD_TYPE=Release -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF
  -DSDL_AUDIO=OFF -DSDL_RENDER=OFF
)
# Bump when the recipe below changes in a way the flags do not show.
RECIPE=1

"$root/scripts/setup.sh" g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  binutils-mingw-w64-x86-64 cmake ninja-build dpkg-dev xz-utils >&2

need_source_index libsdl2 '2\.'

sdl_src=$(apt-cache showsrc libsdl2 | sed -n 's/^Version: //p' | sort -V | tail -1)
mingw=$(x86_64-w64-mingw32-gcc-posix -dumpfullversion)-$(dpkg-query -W -f '${Version}' gcc-mingw-w64-x86-64-posix)
key=$(printf '%s\n' "$sdl_src" "$mingw" "${SDL_CMAKE_FLAGS[*]}" "$RECIPE" | sha256sum | cut -c1-12)
PREFIX=$CACHE_DIR/sdl2-${sdl_src%%+*}-mingw64-$key
hold_cache_lock "$CACHE_DIR/.sdl-lock"
if [ -f "$PREFIX/.complete" ]; then
  echo "build-sdl: cached: $(cat "$PREFIX/.complete")" >&2
  echo "$PREFIX"
  exit 0
fi

rm -rf "$PREFIX" "$WORK"
mkdir -p "$PREFIX/share" "$WORK/src" "$WORK/build"
TOOLCHAIN=$PREFIX/share/mingw-w64-x86_64-posix.cmake
write_toolchain "$TOOLCHAIN"


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
