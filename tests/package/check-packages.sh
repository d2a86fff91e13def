#!/usr/bin/env bash
# The packages as a user gets them, made afresh by CPack from the built
# trees into WORK_DIR:
#   deb   lintian finds nothing to fix; the dependencies were worked out
#         from the binary; unpacked into a throw-away root (never into this
#         system), it holds its manual page, its MIT copyright and the files
#         the screen-saver frameworks look for, and its saver covers a
#         private Xvfb and ends on a key, and draws inside xscreensaver
#   zip   the Windows saver's .scr, as built, a read-me on installing and
#         removing it, and the licence, nothing else
#   check-packages.sh deb NATIVE_BUILD_DIR WORK_DIR
#   check-packages.sh zip WIN32_BUILD_DIR WORK_DIR
set -euo pipefail
kind=$1 build=$2 work=$3
here=$(cd "$(dirname "$0")" && pwd)
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

rm -rf "$work"
mkdir -p "$work"
(cd "$build" && cpack -B "$work" >"$work/cpack.log") || { cat "$work/cpack.log"; exit 1; }

if [ "$kind" = deb ]; then
  deb=$(echo "$work"/*.deb)
  echo "made $(basename "$deb")"
  lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' >"$work/lintian.txt" || true
  if [ -s "$work/lintian.txt" ]; then
    sed 's/^/  lintian: /' "$work/lintian.txt"
    grep -q '^[EW]:' "$work/lintian.txt" && fail "lintian has errors or warnings"
  fi
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  [[ "$depends" == *libsdl2* && "$depends" == *libc6* ]] || fail "dependencies not worked out from the binary"
  dpkg -x "$deb" "$work/root"
  doc=usr/share/doc/vendrel-screensaver
  theme=usr/share/applications/screensavers/vendrel-screensaver.desktop
  described=usr/share/xscreensaver/config/vendrel-screensaver.xml
  for file in usr/bin/vendrel-screensaver usr/share/man/man6/vendrel-screensaver.6.gz \
              $doc/copyright $doc/changelog.Debian.gz $doc/README.md $theme $described; do
    [ -f "$work/root/$file" ] || fail "no $file in the package"
  done
  grep -q "^License: Expat" "$work/root/$doc/copyright" || fail "the copyright file names no licence"
  desktop-file-validate "$work/root/$theme" || fail "the theme for mate- and xfce4-screensaver"
  python3 -c "import sys, xml.etree.ElementTree as t
r = t.parse(sys.argv[1]).getroot(); assert r.tag == 'screensaver' and r.get('name') == 'vendrel-screensaver'" \
    "$work/root/$described" || fail "xscreensaver's description of the saver"
  warnings=$(zcat "$work/root/usr/share/man/man6/vendrel-screensaver.6.gz" | man --warnings -l - 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
  "$here/../harness/xvfb.sh" 1280x720 python3 "$here/../portable/saver_e2e.py" screen \
    "$work/root/usr/bin/vendrel-screensaver" || fail "the packaged saver"
  [ "$(readlink "$work/root/usr/libexec/xscreensaver/vendrel-screensaver")" = ../../bin/vendrel-screensaver ] ||
    fail "no link to the saver in the hacks' folder"
  "$here/../harness/xvfb.sh" 1280x720 python3 "$here/../portable/hosted_e2e.py" xscreensaver \
    "$work/root/usr/bin/vendrel-screensaver" || fail "the packaged saver inside xscreensaver"
  "$here/../harness/xvfb.sh" 1280x720 python3 "$here/../portable/hosted_e2e.py" mate \
    "$work/root/usr/bin/vendrel-screensaver" "$work/root/$theme" ||
    fail "the packaged theme inside mate-screensaver"
else
  zip=$(echo "$work"/*.zip)
  echo "made $(basename "$zip")"
  listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
  [ "$listed" = "LICENSE.txt README.txt VendrelScreensaver.scr " ] || fail "the zip holds: $listed"
  unzip -q "$zip" -d "$work/unpacked"
  cmp -s "$work/unpacked/VendrelScreensaver.scr" "$build/VendrelScreensaver.scr" || fail "not the built .scr"
  readme=$work/unpacked/README.txt
  grep -q "Install" "$readme" && grep -qi "remove" "$readme" || fail "the read-me says nothing of installing and removing"
  grep -q "MIT licence" "$readme" || fail "the read-me names no licence"
  grep -q "^MIT License" "$work/unpacked/LICENSE.txt" || fail "no licence text in the zip"
  for text in "$readme" "$work/unpacked/LICENSE.txt"; do
    [ "$(grep -c $'\r$' "$text")" -eq "$(wc -l <"$text")" ] || fail "$(basename "$text") has no Windows line ends"
  done
fi
[ $failures -eq 0 ] && echo "the $kind package holds"
exit $((failures > 0))
