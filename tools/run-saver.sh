#!/usr/bin/env bash
# What `make run` runs: the saver on this desktop's display. On a machine
# without one it runs the saver for a few seconds on a private Xvfb and saves
# a screenshot instead, so that a headless machine shows it working too.
#   tools/run-saver.sh [saver] [screenshot.png]
# (--private-display first is how it calls itself on that Xvfb.)
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$self")/.."
private=no
if [ "${1:-}" = --private-display ]; then
  private=yes
  shift
fi
saver=${1:-build/native/vendrel-screensaver}
screenshot=${2:-build/native/screenshot.png}
size=1280x720
seconds=5

if [ ! -x "$saver" ]; then
  echo "run-saver: no saver at $saver; build it first (make native)" >&2
  exit 1
fi

if [ "$private" = no ]; then
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    echo "Vendrel Screensaver on $DISPLAY: any key, mouse button, wheel or mouse motion ends it."
    exec "$saver"
  fi
  for tool in Xvfb xwd /usr/bin/convert; do
    command -v "$tool" >/dev/null || { echo "run-saver: $tool is missing (make deps)" >&2; exit 1; }
  done
  echo "No display here: running the saver for $seconds s on a private ${size} Xvfb."
  exec tests/harness/xvfb.sh "$size" bash "$self" --private-display "$saver" "$screenshot"
fi

# Here on the private display, which goes when this script ends.
"$saver" &
saver_pid=$!
trap 'kill "$saver_pid" 2>/dev/null || true' EXIT
sleep "$seconds"
if ! kill -0 "$saver_pid" 2>/dev/null; then
  wait "$saver_pid" || true
  echo "run-saver: the saver ended early" >&2
  exit 1
fi
mkdir -p "$(dirname "$screenshot")"
xwd -root -silent | /usr/bin/convert xwd:- "png:$screenshot"
kill -TERM "$saver_pid"
wait "$saver_pid" || true
trap - EXIT
echo "Screenshot after $seconds s: $screenshot"
