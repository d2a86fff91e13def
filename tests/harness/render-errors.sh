#!/usr/bin/env bash
# vendrel-render's answer to bad input: exit code 2, one line on stderr that
# names the file and line (or the option), and nothing written.
#   render-errors.sh RENDER_EXE WORK_DIR      (a .exe runs under Wine)
set -uo pipefail
exe=$(realpath "$1") work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work/files"
cd "$work/files" || exit 1

# A Wine that cannot start fails this once, in one line, not case by case.
if [[ "$exe" == *.exe ]]; then "$here/wine.sh" --boot || exit 1; fi

render() {
  if [[ "$exe" == *.exe ]]; then "$here/wine.sh" "$exe" "$@"; else "$exe" "$@"; fi
}

failures=0
# expect NAME PATTERN ARGS...: exit code 2, PATTERN in the one stderr line,
# and the work folder just as it was.
expect() {
  local name=$1 pattern=$2
  shift 2
  local before
  before=$(ls -A)
  render "$@" >../render-errors.out 2>../render-errors.err
  local status=$? lines problem=""
  lines=$(tr -d '\r' <../render-errors.err | grep -c .)
  [ $status -eq 2 ] || problem="exit code $status"
  [ "$lines" -eq 1 ] || problem="$problem; $lines stderr lines"
  grep -q -- "$pattern" ../render-errors.err || problem="$problem; no '$pattern' in the message"
  [ "$(ls -A)" = "$before" ] || problem="$problem; something was written"
  if [ -n "$problem" ]; then
    echo "FAIL $name: $problem"
    sed 's/^/    /' ../render-errors.err
    failures=$((failures + 1))
  else
    echo "ok   $name: $(tr -d '\r' <../render-errors.err)"
  fi
}

good='screen 64 48
particle 10 10 0 0 3 0x00FFFFFF'
printf '%s\n' "$good" >good.scene
printf 'screen 64 48\n# a comment\nparticle nan 10 0 0 3 0x00FFFFFF\n' >nan.scene
printf 'screen 64 48\nparticle 1 2 3 4 5 0x00FFFFFF 7\n' >extra.scene
printf 'screen 64 48\nsprite 1 2\n' >unknown.scene
printf 'screen 16385 48\nparticle 1 2 3 4 5 0x00FFFFFF\n' >size.scene
printf 'screen 16384 16384\nparticle 1 2 0 0 5 0x00FFFFFF\n' >huge.scene
printf '' >empty.scene
mkdir folder.scene
printf 'not a folder\n' >afile

writes=(--out out --dump-particles dump.scene)
expect nan 'nan.scene:3:' --scene nan.scene "${writes[@]}"
expect extra-field 'extra.scene:2:' --scene extra.scene "${writes[@]}"
expect unknown-record 'unknown.scene:2:' --scene unknown.scene "${writes[@]}"
expect size 'size.scene:1:' --scene size.scene "${writes[@]}"
expect empty 'empty.scene:1:' --scene empty.scene "${writes[@]}"
expect missing-file 'nowhere.scene' --scene nowhere.scene "${writes[@]}"
expect folder-as-scene 'folder.scene' --scene folder.scene "${writes[@]}"
expect too-many-pixels '16384x16384' --scene huge.scene "${writes[@]}"
expect unwritable-out 'afile/out' --scene good.scene --out afile/out --dump-particles dump.scene
expect unwritable-dump 'afile/dump' --scene good.scene --out out --dump-particles afile/dump
expect unknown-option '--speed' --scene good.scene --speed 2
expect missing-value '--frames' --scene good.scene --frames
expect given-twice 'twice' --scene good.scene --frames 2 --frames 3
expect bad-frames '--frames' --scene good.scene --frames -1
expect bad-backdrop '--backdrop' --scene good.scene --backdrop 5
expect bad-size '--size' --seed 1 --size 0x48
expect seed-without-size '--size' --seed 1
expect both-sources 'either' --scene good.scene --seed 1 --size 64x48
expect newline-in-option 'speed.x0A2' --scene good.scene $'--speed\n2' 1
expect newline-in-file-name 'no.x0Awhere' --scene $'no\nwhere.scene'

# The good scene itself renders and writes, so the cases above fail for
# their own reason.
render --scene good.scene "${writes[@]}" 2>../render-errors.err
if [ $? -ne 0 ] || [ ! -f out/frame-0001.bmp ] || [ ! -f dump.scene ]; then
  echo "FAIL the good scene did not render"
  cat ../render-errors.err
  failures=$((failures + 1))
fi
[ $failures -eq 0 ] && echo "every bad input refused cleanly"
exit $((failures > 0))
