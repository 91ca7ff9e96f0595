#!/usr/bin/env bash
# Makes the Debian package of a finished build in a temporary folder and checks it as a
# distribution would: the files a desktop needs are in it, the desktop entry and the AppStream
# metainfo validate, and its Depends were computed from the linked libraries.
# Usage: scripts/check-package.sh [build-dir]
set -euo pipefail
build_dir=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "check-package: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
for program in calendar/zorvelcal installer/kzinstall; do
  [ -x "$build_dir/$program" ] || { echo "check-package: build $program first"; exit 1; }
done

(cd "$build_dir" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
dpkg-deb -x "$deb" "$work/root"

status=0
expect() {
  [ -e "$work/root/$1" ] || { echo "check-package: $(basename "$deb") lacks /$1"; status=1; }
}
expect usr/bin/zorvelcal
expect usr/bin/kzinstall
expect usr/share/applications/com.ombrix.ZorvelCal.desktop
expect usr/share/metainfo/com.ombrix.ZorvelCal.metainfo.xml
for size in 16 32 48 64 128; do expect "usr/share/icons/hicolor/${size}x${size}/apps/zorvelcal.png"; done
for sound in Start Notify Pick; do expect "usr/share/zorvelcal/sounds/$sound.wav"; done
expect usr/share/zorvelcal/help/index.html

depends=$(dpkg-deb -f "$deb" Depends)
for library in libwxgtk3.2 libsqlite3 libcanberra libc6; do
  [[ $depends == *"$library"* ]] || { echo "check-package: Depends lacks $library: $depends"; status=1; }
done

desktop-file-validate "$work"/root/usr/share/applications/*.desktop || status=1
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.xml || status=1
# The metainfo, its desktop entry and the icon as one installation.
appstreamcli validate-tree --no-net "$work/root" || status=1

[ $status -eq 0 ] && echo "check-package: $(basename "$deb") is complete and valid"
exit $status
