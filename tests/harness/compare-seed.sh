#!/usr/bin/env bash
# The seeded start of each build: each build's --seed frame must equal the
# frame of its own spawn written out as a scene, and both builds must draw
# the native spawn alike. (The spawns themselves differ: each C library has
# its own rand.)
#   compare-seed.sh WINDOWS_EXE NATIVE_EXE WORK_DIR SEED WxH
set -euo pipefail
win_exe=$1 native_exe=$2 work=$3 seed=$4 size=$5
here=$(dirname "$0")
# shellcheck source=render-both.sh
source "$here/render-both.sh"

for side in native win32; do
  render $side --seed "$seed" --size "$size" --frames 0 --dump-particles "$work/$side-spawn.scene"
  render $side --seed "$seed" --size "$size" --out "$work/$side-seeded"
  render $side --scene "$work/$side-spawn.scene" --out "$work/$side-scene"
  if ! cmp -s "$work/$side-seeded/frame-0001.bmp" "$work/$side-scene/frame-0001.bmp"; then
    echo "$side: the --seed frame differs from the frame of its own spawn (kept in $work)"
    exit 1
  fi
  rm -rf "$work/$side-seeded" "$work/$side-scene"
done
"$here/compare-frames.sh" "$win_exe" "$native_exe" "$work/cross" 1 --scene "$work/native-spawn.scene"
