#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix, which is made once
# (under the build folder, throw-away) and shared by the tests after that.
#   WINE_PREFIX_DIR=DIR tests/harness/wine.sh PROGRAM.exe ARGS...
# Needs DISPLAY (run it inside tests/harness/xvfb.sh).
set -euo pipefail
: "${WINE_PREFIX_DIR:?set WINE_PREFIX_DIR}"
export WINEPREFIX="$WINE_PREFIX_DIR"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # A prefix is whole once Wine has written its registry and marked it.
  if [ ! -f "$WINEPREFIX/.ready" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.ready"
  fi
) 9>"$WINEPREFIX.lock"
exec wine "$@"
