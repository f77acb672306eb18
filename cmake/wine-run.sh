#!/usr/bin/env bash
# Runs a Windows test program under wine64 with a prefix of the build folder's own.
# The prefix is made once (under a lock, since ctest may start several programs)
# and reused; LANG makes Wine's ANSI code page 936, as on the systems we target.
set -euo pipefail
exe=$1; shift
build=$(cd "$(dirname "$exe")" && while [ ! -f CMakeCache.txt ] && [ "$PWD" != / ]; do cd ..; done; pwd)
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/.phpswitch-ready" ]; then
  exec 9>"$build/.wineprefix.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.phpswitch-ready" ]; then
    "$wine" wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w || true
    touch "$WINEPREFIX/.phpswitch-ready"
  fi
  exec 9>&-
fi
exec "$wine" "$exe" "$@"
