#!/usr/bin/env bash
# The live check of the pixel authority: GDI under Wine and the portable
# rasterizer draw the same reference set, and both must equal the golden.
#   compare-gdi.sh WINDOWS_EXE NATIVE_EXE GOLDEN WORK_DIR
set -euo pipefail
win_exe=$1 native_exe=$2 golden=$3 work=$4
here=$(dirname "$0")
mkdir -p "$work"
"$native_exe" "$work/portable.txt"
"$here/wine.sh" "$win_exe" "$work/gdi.txt"
status=0
for side in gdi portable; do
  if ! cmp -s "$golden" "$work/$side.txt"; then
    echo "$side output differs from $golden:"; diff "$golden" "$work/$side.txt" | head -20
    status=1
  fi
done
[ $status -eq 0 ] && echo "GDI under Wine, the portable rasterizer and the golden agree ($(wc -l <"$golden") records)"
exit $status
