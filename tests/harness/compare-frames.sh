#!/usr/bin/env bash
# Renders one scene with both builds (the Windows one under Wine) and
# requires the same frames, byte for byte, and the same particle doubles.
#   compare-frames.sh WINDOWS_EXE NATIVE_EXE WORK_DIR FRAMES RENDER_ARGS...
# RENDER_ARGS name the scene (--scene FILE [--backdrop K]). FRAMES above 1
# is only for scenes where no particle leaves the screen: a respawn draws
# from rand, which differs between the two C libraries.
set -euo pipefail
win_exe=$1 native_exe=$2 work=$3 frames=$4
shift 4
here=$(dirname "$0")
# shellcheck source=render-both.sh
source "$here/render-both.sh"

# The first differing pixel of two same-sized 24-bit bottom-up BMPs, and how
# many bytes differ.
describe_difference() { # A B
  local first count width height
  first=$(cmp "$1" "$2" | awk '{ sub(",", "", $5); print $5 }') || true
  count=$(cmp -l "$1" "$2" | wc -l) || true
  width=$(od -An -tu4 -j18 -N4 "$1" | tr -d ' ')
  height=$(od -An -tu4 -j22 -N4 "$1" | tr -d ' ')
  if [ "$first" -le 54 ]; then echo "  headers differ"; return; fi
  local stride=$(( (width * 3 + 3) / 4 * 4 ))
  local row=$(( (first - 55) / stride )) col=$(( ((first - 55) % stride) / 3 ))
  echo "  $count bytes differ, the first in pixel x=$col y=$((height - 1 - row))"
}

status=0
for side in native win32; do
  render $side "$@" --frames 0 --dump-particles "$work/$side-parsed.scene"
  render $side "$@" --frames "$frames" --out "$work/$side" --dump-particles "$work/$side-last.scene"
done

# The doubles each build read from the scene, and (when nothing respawned)
# those it computed over every frame, written exactly.
if ! cmp -s "$work/native-parsed.scene" "$work/win32-parsed.scene"; then
  echo "the builds read different particles:"
  diff "$work/native-parsed.scene" "$work/win32-parsed.scene" | head -6 || true
  status=1
fi
if [ "$frames" -gt 1 ] && ! cmp -s "$work/native-last.scene" "$work/win32-last.scene"; then
  echo "the particles differ after $frames frames:"
  diff "$work/native-last.scene" "$work/win32-last.scene" | head -6 || true
  status=1
fi

differing=0
for ((f = 1; f <= frames; ++f)); do
  name=$(printf 'frame-%04d.bmp' "$f")
  for side in native win32; do
    [ -f "$work/$side/$name" ] || { echo "$side wrote no $name"; exit 1; }
  done
  if ! cmp -s "$work/native/$name" "$work/win32/$name"; then
    [ $differing -eq 0 ] && { echo "$name differs:"; describe_difference "$work/native/$name" "$work/win32/$name"; }
    differing=$((differing + 1))
  fi
done
if [ $differing -gt 0 ]; then
  echo "$differing of $frames frames differ (kept in $work)"
  exit 1
fi
[ $status -eq 0 ] || exit 1
echo "$frames frames and the particle doubles identical in both builds ($*)"
rm -rf "$work/native" "$work/win32"
