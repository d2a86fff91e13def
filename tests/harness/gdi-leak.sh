#!/usr/bin/env bash
# GDI objects do not leak from frame to frame. Wine reports no object counts,
# but it refuses new objects past 65,480: a frame that leaked even one brush
# per particle would exhaust that well within FRAMES frames of the dense
# scene (11,175 links, 150 brushes a frame), its lines would go missing and
# its last frame would no longer match the portable build's.
#   gdi-leak.sh WINDOWS_EXE NATIVE_EXE SCENE FRAMES WORK_DIR
set -euo pipefail
win_exe=$1 native_exe=$2 scene=$3 frames=$4 work=$5
here=$(dirname "$0")
rm -rf "$work"
mkdir -p "$work"
"$native_exe" --scene "$scene" --frames "$frames" --every "$frames" --out "$work/native"
"$here/wine.sh" "$win_exe" --scene "$scene" --frames "$frames" --every "$frames" \
  --out "$work/win32" --report-gdi-objects | tr -d '\r'
last=$(printf 'frame-%04d.bmp' "$frames")
if ! cmp -s "$work/native/$last" "$work/win32/$last"; then
  echo "frame $frames differs between the builds: GDI ran out of objects?"
  exit 1
fi
echo "frame $frames of the dense scene is the same in both builds: no GDI object leaked"
