#!/usr/bin/env bash
# The portable saver's CPU use at screen sizes, each on a private Xvfb: all
# its threads together over SPAN seconds after a WARM_UP, beside the X
# server's over the same span (the server copies each frame to the screen).
#   tests/portable/cpu-use.sh SAVER [WxH ...]     (default 1920x1080 3840x2160)
# WARM_UP and SPAN (seconds, default 5 and 10) may be set in the environment,
# and HIDE, to measure the saver while nobody can see it:
#   server-saver  the X server's own saver on (xset s activate)
#   covered       an override-redirect window over the whole screen
#   unmapped      the saver's window unmapped
# Times come from /proc/PID/task/*/schedstat, in nanoseconds; the saver's
# context switches, all its threads together, from their status.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

if [ "${1:-}" = --measure ]; then # inside xvfb.sh: SAVER SIZE
  saver=$2 size=$3
  cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ t += $1 } END { printf "%.0f\n", t }'; }
  switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ { n += $2 } END { print n }'; }
  "$saver" &
  pid=$!
  cover=""
  trap 'kill "$pid" $cover 2>/dev/null || true; wait 2>/dev/null || true' EXIT
  sleep "${WARM_UP:-5}"
  kill -0 "$pid" 2>/dev/null || { echo "cpu-use: the saver ended during the warm-up" >&2; exit 1; }
  case "${HIDE:-}" in
    "") ;;
    server-saver) xset s activate ;;
    unmapped) xdotool search --sync --onlyvisible --name '^Vendrel Screensaver$' windowunmap --sync ;;
    covered)
      python3 -c "import sys, time; sys.path.insert(0, '$here'); import saver_e2e
saver_e2e.Cover(); time.sleep(3600)" &
      cover=$!
      ;;
    *) echo "cpu-use: HIDE=$HIDE: not server-saver, covered or unmapped" >&2; exit 2 ;;
  esac
  [ -z "${HIDE:-}" ] || sleep 1
  s0=$(cpu_ns "$pid") x0=$(cpu_ns "$XVFB_PID") c0=$(switches "$pid") t0=$(date +%s%N)
  sleep "${SPAN:-10}"
  s1=$(cpu_ns "$pid") x1=$(cpu_ns "$XVFB_PID") c1=$(switches "$pid") t1=$(date +%s%N)
  awk -v size="$size" -v how="${HIDE:-drawing}" -v s=$((s1 - s0)) -v x=$((x1 - x0)) \
      -v c=$((c1 - c0)) -v t=$((t1 - t0)) 'BEGIN {
    printf "%s, %s: saver %.3f %% of one core, X server %.3f %%, saver %.1f switches/s (over %.0f s)\n",
           size, how, 100 * s / t, 100 * x / t, 1e9 * c / t, t / 1e9 }'
  exit 0
fi

[ $# -ge 1 ] || { echo "usage: cpu-use.sh SAVER [WxH ...]" >&2; exit 2; }
saver=$(realpath "$1")
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1920x1080 3840x2160)
for size in "${sizes[@]}"; do
  "$here/../harness/xvfb.sh" "$size" "$here/cpu-use.sh" --measure "$saver" "$size"
done
