# Sourced by the harness scripts that render with both builds: sets up an
# empty WORK_DIR and defines `render SIDE ARGS...`, which runs vendrel-render
# of that side (native, or win32 under Wine).
#   win_exe=... native_exe=... work=...; source render-both.sh
rm -rf "$work"
mkdir -p "$work"

render() { # SIDE ARGS...
  local side=$1
  shift
  if [ "$side" = win32 ]; then "$here/wine.sh" "$win_exe" "$@"; else "$native_exe" "$@"; fi
}
