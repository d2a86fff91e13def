#!/usr/bin/env bash
# Runs a command on an X display of its own: a private Xvfb of the given
# size, gone again when the command ends.
#   tests/harness/xvfb.sh WxH COMMAND ARGS...
# The command finds the server's process id in XVFB_PID.
# The server picks its own free display number (-displayfd), so tests run
# side by side never land on one display; `xvfb-run -a` can hand the same
# number to two of them. -noreset: by default the server resets each time
# its last client leaves, and a client connecting in that moment is turned
# away (a test's first xdotool call was enough to make the next open fail).
# -s 0: the server's own saver stays off, or it would come on after ten idle
# minutes and, rightly, pause the saver; the tests of that turn it on.
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: xvfb.sh WxH COMMAND ARGS..." >&2; exit 2; }
size=$1
shift

work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset -s 0 3>"$work/display" 2>"$work/log" &
server=$!
# The number arrives, with its newline, once the server takes connections.
for _ in $(seq 200); do
  [ "$(wc -l <"$work/display")" -ge 1 ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "xvfb.sh: Xvfb ${size} did not start: $(tail -n 1 "$work/log")" >&2
    exit 1
  fi
  sleep 0.05
done
[ "$(wc -l <"$work/display")" -ge 1 ] || { echo "xvfb.sh: Xvfb ${size} gave no display in 10 s" >&2; exit 1; }

status=0
DISPLAY=":$(head -n 1 "$work/display")" XVFB_PID=$server "$@" || status=$?
exit "$status"
