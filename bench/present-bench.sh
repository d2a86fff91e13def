#!/usr/bin/env bash
# Measures every present path at each screen size, each on a fresh Xvfb.
#   bench/present-bench.sh build/native/bench/vendrel-present-bench
set -euo pipefail
xvfb="$(dirname "$0")/../tests/harness/xvfb.sh"
bench=$1
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1280x720 1920x1080)
for size in "${sizes[@]}"; do
  for path in copy surface-native convert-native software-native surface-gl opengl; do
    "$xvfb" "$size" "$bench" "$path"
  done
done
