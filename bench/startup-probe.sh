#!/usr/bin/env bash
# How soon the savers show themselves, each size on a private Xvfb: time
# from launch to the window's background and to the first frame, medians
# of RUNS starts (default 5), with the portable saver's start-up steps and,
# with --wine, the Windows build's figure under Wine beside it (at
# 1280x720 only: in larger Wine desktops Wine reports a mouse motion as the
# window appears, which ends the saver; see the README).
#   bench/startup-probe.sh [--wine] [WxH ...]   (default 1280x720 1920x1080 3840x2160)
# Run it from a built tree (make native; make win32 or win64 for --wine).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-5}
wine=false
[ "${1:-}" = --wine ] && { wine=true; shift; }
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1280x720 1920x1080 3840x2160)
bench=build/native/bench
xvfb=tests/harness/xvfb.sh

for size in "${sizes[@]}"; do
  echo "portable saver, $size:"
  $xvfb "$size" $bench/vendrel-startup-probe "$runs" build/native/vendrel-screensaver | tail -n 1
  for _ in $(seq "$runs"); do $xvfb "$size" $bench/vendrel-startup-steps; done | python3 -c '
import statistics, sys
runs = [line.split() for line in sys.stdin]
steps = [(runs[0][i], statistics.median(float(r[i + 1]) for r in runs)) for i in range(0, len(runs[0]), 2)]
print("  steps (medians, ms):", ", ".join(f"{name} {ms:.1f}" for name, ms in steps))'
  if $wine && [ "$size" = 1280x720 ]; then
    arch=$(tests/harness/wine.sh --arch)
    echo "Windows saver under $arch-bit Wine, $size desktop:"
    WINE_PREFIX_DIR=$PWD/build/native/wineprefix$arch $xvfb "$size" bash -c \
      "tests/harness/wine.sh --boot && $bench/vendrel-startup-probe $runs tests/harness/wine.sh \
       explorer /desktop=probe,$size build/win$arch/VendrelScreensaver.exe" | tail -n 1
  fi
done
