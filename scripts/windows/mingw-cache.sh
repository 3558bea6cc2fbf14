# What build-qt.sh and build-sdl.sh share, sourced by both: their steps and
# logs, Debian's source index, the cache lock and the MinGW-w64 toolchain
# file. Each sets TAG (its name in messages) before sourcing this.

# The scripts' folder, the tree, the cache (the first argument) and the jobs.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
CACHE_DIR=${1:-/var/cache/qt-mingw}
JOBS=${JOBS:-$(nproc)}

# A failing command under set -e otherwise ends the script without a word.
trap 'echo "$TAG: failed at line $LINENO: $BASH_COMMAND" >&2' ERR

# Runs a step and says how long it took.
step() {
  local start=$SECONDS
  "$@"
  echo "$TAG: $((SECONDS - start)) s: $*" >&2
}

# Runs a command with its output in a log; on a failure the log's tail shows.
logged() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log" >&2
    echo "$TAG: failed; the whole log is $log" >&2
    return 1
  fi
}

# apt-get source needs the archive's source index; the machine lists only
# binary packages by default. Adds it unless the index already has a version
# of the source package that matches the pattern.
need_source_index() {
  local package=$1 version_re=$2
  if ! apt-cache showsrc "$package" 2>/dev/null | grep -q "^Version: $version_re"; then
    echo "$TAG: adding Debian's source index for apt-get source" >&2
    sed -e 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/tavimork-deb-src.sources
    apt-get update -qq >&2
  fi
}

# Holds LOCK_FILE from here to the end of the script: a second run while one
# builds waits for it and then finds the cache, rather than wiping the scratch
# folder under it.
hold_cache_lock() {
  local lock=$1
  mkdir -p "$(dirname "$lock")"
  exec 9>"$lock"
  if ! flock -n 9; then
    echo "$TAG: another build holds $lock; waiting for it" >&2
    flock 9
  fi
}

# Writes the CMake toolchain file for Debian's MinGW-w64 with posix threads;
# with "archiver", it also names gcc-ar and gcc-ranlib as CMake's archiver and
# index tool, as Qt's build has always had them.
write_toolchain() {
  local file=$1 archiver=${2:-}
  {
    cat <<'CMAKE'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER   x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER  x86_64-w64-mingw32-windres)
CMAKE
    if [ "$archiver" = archiver ]; then
      cat <<'CMAKE'
set(CMAKE_AR           x86_64-w64-mingw32-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB       x86_64-w64-mingw32-gcc-ranlib-posix CACHE FILEPATH "")
CMAKE
    fi
    cat <<'CMAKE'
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
CMAKE
  } >"$file"
}
