#!/usr/bin/env bash
# Installs what the two programs need to build and test on Debian or Ubuntu, then builds them
# into build/. Safe to run again: packages already present are not fetched a second time.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config ccache clang
  libwxgtk3.2-dev libsqlite3-dev libcanberra-dev fonts-liberation
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xauth xdotool desktop-file-utils mscompress libmspack-dev
  openbox trayer libx11-dev
  libgtk-3-dev python3-xdg python3-gi gir1.2-gmenu-3.0
  libglib2.0-dev dbus dpkg-dev file appstream
  libical-dev python3-icalendar libicu-dev khal lintian libxxhash-dev
  g++-mingw-w64-x86-64-posix locales
  libcurl4-openssl-dev libsecret-1-dev libexpat1-dev
  radicale python3-caldav gnome-keyring
  gettext wx3.2-i18n
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The region tests run under a German LC_TIME; a locale that is not generated makes them skip.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
