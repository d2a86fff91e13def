#!/usr/bin/env bash
# The saver's CPU use, all its threads together, over a while after a
# warm-up, from /proc. Run it on an X display, e.g.
#   tests/harness/xvfb.sh 1920x1080 tests/portable/cpu-use.sh build/native/vendrel-screensaver
# Prints one line: percent of one core, and the Xvfb-side figure when known.
set -euo pipefail
saver=$1
warm_up=${2:-5}
span=${3:-10}

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

"$saver" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
sleep "$warm_up"
kill -0 "$pid" || { echo "cpu-use: the saver ended during the warm-up" >&2; exit 1; }
# The X server of this display, when it is an Xvfb of our own.
display=${DISPLAY#:}
lock=/tmp/.X${display%%.*}-lock
server=$(tr -d ' ' <"$lock" 2>/dev/null || true)
t0=$(ticks "$pid"); s0=${server:+$(ticks "$server")}
sleep "$span"
t1=$(ticks "$pid"); s1=${server:+$(ticks "$server")}
hz=$(getconf CLK_TCK)
awk -v t="$((t1 - t0))" -v hz="$hz" -v span="$span" \
    'BEGIN { printf "saver: %.2f %% of one core over %d s\n", 100 * t / hz / span, span }'
if [ -n "$server" ]; then
  awk -v t="$((s1 - s0))" -v hz="$hz" -v span="$span" \
      'BEGIN { printf "X server (not counted): %.2f %% of one core\n", 100 * t / hz / span }'
fi
