#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix, which is made once
# (under the build folder, throw-away) and shared by the tests after that.
#   WINE_PREFIX_DIR=DIR tests/harness/wine.sh PROGRAM.exe ARGS...
#   WINE_PREFIX_DIR=DIR tests/harness/wine.sh --boot   only make the prefix
#   tests/harness/wine.sh --arch    32 or 64: the Wine the tests use here
#   tests/harness/wine.sh --which   that, in words
# Needs DISPLAY (run it inside tests/harness/xvfb.sh), but for --arch and
# --which.
#
# This is the one place that decides which Windows build the tests run:
# the i686 product under 32-bit Wine where the kernel runs 32-bit programs,
# otherwise its x86_64 twin under 64-bit Wine. VENDREL_WINE_ARCH=32 or 64
# forces either. Debian's `wine` wrapper picks the 32-bit loader whenever
# wine32 is installed, even where that loader cannot run, so the 64-bit
# loader is called by its path and named in WINELOADER for the programs
# Wine starts itself.
set -euo pipefail

loader32=/usr/lib/wine/wine
loader64=/usr/lib/wine/wine64

# bash words an exec failure "wine.sh: line N: PROGRAM: REASON".
loader_version() {
  local said
  said=$("$loader" --version 2>&1) && { echo "$said"; return 0; }
  tail -n 1 <<<"$said" | sed 's/^.*line [0-9]*: //'
  return 1
}

fail() {
  echo "Wine cannot start: $*" >&2
  exit 1
}

wine_arch() {
  case "${VENDREL_WINE_ARCH:-}" in
    32 | 64) echo "$VENDREL_WINE_ARCH" ;;
    "") if "$loader32" --version >/dev/null 2>&1; then echo 32; else echo 64; fi ;;
    *) echo "VENDREL_WINE_ARCH is '$VENDREL_WINE_ARCH'; it must be 32 or 64" >&2; exit 2 ;;
  esac
}

arch=$(wine_arch)
if [ "$arch" = 64 ]; then
  loader=$loader64
  export WINELOADER=$loader64
else
  loader=$loader32
fi

case "${1:-}" in
  --arch) echo "$arch"; exit 0 ;;
  --which)
    build="the i686 product (build/win32)"
    [ "$arch" = 64 ] && build="its x86_64 twin (build/win64)"
    echo "Wine tests run $build under $arch-bit Wine: $(loader_version)"
    exit 0
    ;;
esac

: "${WINE_PREFIX_DIR:?set WINE_PREFIX_DIR}"
export WINEPREFIX="$WINE_PREFIX_DIR"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"

# Seconds, not the minutes a test would wait for a window, when Wine is
# missing or its loader cannot run on this kernel.
[ -x "$loader" ] || fail "$loader is not installed"
version=$(loader_version) || fail "$version"

mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # A prefix is whole once Wine has written its registry and marked it.
  if [ ! -f "$WINEPREFIX/.ready" ] || [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    log=$(timeout 300 "$loader" wineboot -i 2>&1) || fail "wineboot failed: $(tail -n 1 <<<"$log")"
    timeout 60 wineserver -w || fail "wineserver did not settle after wineboot"
    [ -f "$WINEPREFIX/system.reg" ] || fail "wineboot made no prefix in $WINEPREFIX"
    touch "$WINEPREFIX/.ready"
  fi
  # Wine's server and desktop outlive a program for a moment, tied to the
  # display they started on. A test's display goes with the test (and its
  # number may come back for the next), so what an earlier server left is
  # ended before this one's first program starts.
  server="${DISPLAY:-} ${XVFB_PID:-}"
  if [ "$(cat "$WINEPREFIX.display" 2>/dev/null)" != "$server" ]; then
    wineserver -k 2>/dev/null || true
    timeout 30 wineserver -w 2>/dev/null || true
    echo "$server" >"$WINEPREFIX.display"
  fi
) 9>"$WINEPREFIX.lock"

[ "${1:-}" = --boot ] && exit 0
exec "$loader" "$@"
