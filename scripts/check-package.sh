#!/usr/bin/env bash
# Builds the Debian package in a package build of its own and checks it as a distribution would:
# the files a desktop needs are in it, the programs were compiled with the distribution's hardening
# flags and look for their files below /usr only, the desktop entry and the AppStream metainfo
# validate, its Depends were computed from the linked libraries, and lintian (when installed)
# reports no error.
# Usage: scripts/check-package.sh [package-build-dir]   (default: build-deb)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/build-deb}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for tool in cmake cpack dpkg-deb dpkg-shlibdeps dpkg-buildflags desktop-file-validate appstreamcli readelf; do
  command -v "$tool" >/dev/null || { echo "check-package: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done

# The distribution's flags map the source folder to "." in the debugging information; they are
# worked out from the folder cmake runs in.
cd "$source_dir"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORVEL_PACKAGE=ON -DBUILD_TESTING=OFF \
  -DZORVEL_BENCH=OFF -DZORVEL_SANITIZE=OFF -DZORVEL_FUZZ=OFF >"$work/configure.log" 2>&1 \
  || { cat "$work/configure.log"; exit 1; }
cmake --build "$build_dir" -j"$(nproc)" --target zorvelcal kzinstall >"$work/build.log" 2>&1 \
  || { tail -50 "$work/build.log"; exit 1; }
(cd "$build_dir" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/*.deb)
dpkg-deb -x "$deb" "$work/root"

status=0
fail() { echo "check-package: $*"; status=1; }
expect() {
  [ -e "$work/root/$1" ] || fail "$(basename "$deb") lacks /$1"
}
expect usr/bin/zorvelcal
expect usr/bin/kzinstall
expect usr/share/applications/com.ombrix.ZorvelCal.desktop
expect usr/share/metainfo/com.ombrix.ZorvelCal.metainfo.xml
for size in 16 22 24 32 48 64 128 256; do expect "usr/share/icons/hicolor/${size}x${size}/apps/zorvelcal.png"; done
expect usr/share/icons/hicolor/scalable/apps/zorvelcal.svg
for sound in Start Notify Pick; do expect "usr/share/zorvelcal/sounds/$sound.wav"; done
expect usr/share/zorvelcal/help/index.html
expect usr/share/man/man1/zorvelcal.1.gz
expect usr/share/man/man1/kzinstall.1.gz
expect usr/share/doc/zorvelcal/copyright
expect usr/share/locale/de/LC_MESSAGES/zorvelcal.mo
expect usr/share/doc/zorvelcal/changelog.gz

depends=$(dpkg-deb -f "$deb" Depends)
for library in libwxgtk3.2 libsqlite3 libcanberra libc6; do
  [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

for program in zorvelcal kzinstall; do
  binary="$work/root/usr/bin/$program"
  # Position-independent, read-only relocations bound at start, fortified string functions. The
  # output is read whole: grep -q ending a pipe early would fail it under pipefail.
  header=$(readelf -hW "$binary"); segments=$(readelf -lW "$binary"); dynamic=$(readelf -dW "$binary")
  symbols=$(readelf --dyn-syms -W "$binary")
  grep -q "Type:.*DYN" <<<"$header" || fail "$program is not position-independent"
  grep -q GNU_RELRO <<<"$segments" || fail "$program has no read-only relocations (relro)"
  grep -Eq "BIND_NOW|FLAGS.*NOW" <<<"$dynamic" || fail "$program binds its symbols late (no bindnow)"
  grep -q "__[a-z_]*_chk" <<<"$symbols" || fail "$program was built without _FORTIFY_SOURCE"
done
# The packaged calendar must not look below /usr/local, where a stray local install would shadow
# the package's files, nor in the folder it was built from.
for folder in /usr/local/share/zorvelcal "$source_dir/calendar/resources"; do
  ! grep -qaF "$folder" "$work/root/usr/bin/zorvelcal" || fail "the packaged calendar looks in $folder"
done

desktop-file-validate "$work"/root/usr/share/applications/*.desktop || status=1
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.xml || status=1
# The metainfo, its desktop entry and the icon as one installation.
appstreamcli validate-tree --no-net "$work/root" || status=1

# Lintian's errors are what a distribution refuses; its warnings and notes are listed.
if command -v lintian >/dev/null; then
  lintian --info --display-info "$deb" >"$work/lintian.log" 2>&1 || true
  grep -v "running with root privileges" "$work/lintian.log" || true
  ! grep -q "^E:" "$work/lintian.log" || fail "lintian reports errors"
else
  echo "check-package: lintian is not installed; the package was not checked against the distribution's policy"
fi

[ $status -eq 0 ] && echo "check-package: $(basename "$deb") is complete and valid"
exit $status
