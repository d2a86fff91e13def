#!/usr/bin/env bash
# Installs, from Debian's packages, whatever the builds and tests need and
# the machine lacks. Quick when everything is there already.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev python3 libgtest-dev libbenchmark-dev libsdl2-dev libwayland-dev
          libx11-dev libxext-dev libxss-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb xdotool imagemagick x11-apps
          x11-utils python3-pefile xfonts-base
          lintian dpkg-dev man-db unzip xautolock openbox tint2 i3-wm x11-xserver-utils
          dbus-daemon dbus-bin xscreensaver xsecurelock mate-screensaver desktop-file-utils
          sway swayidle grim wtype wayvnc xwayland mutter libglib2.0-bin python3-dbus)
# wine64 and the x86_64 cross compiler: where the kernel runs no 32-bit
# programs, the tests run the Windows build's x86_64 twin under 64-bit Wine.
# lintian, dpkg-dev (dpkg-shlibdeps), man-db, unzip: making and checking the
# packages. xautolock, openbox, tint2, i3-wm, x11-xserver-utils: the desktop
# set-ups the tests run the saver in. dbus-daemon, dbus-bin: a private session
# bus, watched for calls that would hold the desktop awake. xscreensaver,
# xsecurelock, mate-screensaver: the screen-saver frameworks the saver runs
# inside; desktop-file-utils checks the theme file mate's and Xfce's read.
# sway, swayidle, grim, wtype, wayvnc, xwayland: a Wayland desktop, headless,
# with its idle daemon, screenshots, a virtual keyboard and (through VNC) a
# virtual pointer. mutter, libglib2.0-bin (gdbus), python3-dbus: GNOME's
# compositor, headless, its idle time asked on the bus and a key given through
# its remote desktop.
# xfonts-base: SDL's X11 message box draws its text in the server's core
# fonts; an Xvfb without them cannot show the missing-logo message.

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
# A mirror caught mid-sync fails an index now and serves it a minute later;
# one that still fails leaves the others, which are mostly enough.
$sudo apt-get update -q || { sleep 30; $sudo apt-get update -q; } ||
  echo "apt-get update failed twice; installing from the lists there are"
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}" && exit 0
# Without a current i386 index (or on a mirror where i386 lags behind) the
# 32-bit Wine cannot be installed; the Wine tests then run the x86_64 twin
# under 64-bit Wine, as on a kernel that runs no 32-bit programs.
native=()
for p in "${missing[@]}"; do [[ $p == *:i386 ]] || native+=("$p"); done
[ ${#native[@]} -lt ${#missing[@]} ] || exit 1
echo "installing without the i386 packages; the Wine tests will run 64-bit"
$sudo apt-get install -y -q --no-install-recommends "${native[@]}"
