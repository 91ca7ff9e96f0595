#!/usr/bin/env bash
# Builds the calendar's installation disk: a folder holding kzinstall, its install.script and the
# calendar's files, some of them compressed with mscompress so that the installer expands them
# while it copies. Run it after scripts/setup.sh; then start the disk's kzinstall.
#
#   scripts/make-install-disk.sh [disk folder]          (default: build/install-disk)
#
# BUILD_DIR names the build folder (default: build). ZORVELCAL and KZINSTALL may name the two
# programs to put on the disk instead of the built ones.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir=${BUILD_DIR:-$root/build}
disk=${1:-$build_dir/install-disk}
program=${ZORVELCAL:-$build_dir/calendar/zorvelcal}
installer=${KZINSTALL:-$build_dir/installer/kzinstall}
resources=$root/calendar/resources

for needed in "$program" "$installer"; do
  if [ ! -x "$needed" ]; then
    echo "make-install-disk: $needed is missing; build it first with scripts/setup.sh" >&2
    exit 1
  fi
done
if ! command -v mscompress >/dev/null; then
  echo "make-install-disk: mscompress is missing; scripts/setup.sh installs it" >&2
  exit 1
fi

# A disk left over from an earlier run may hold files the script no longer names.
rm -rf "$disk"
mkdir -p "$disk"
cp "$installer" "$disk/kzinstall"
cp "$root/examples/calendar-disk/install.script" "$disk/install.script"
# The program keeps its execute bit only when it is copied unchanged, so it is not compressed.
cp "$program" "$disk/zorvelcal"
cp "$resources/icons/zorvelcal-48.png" "$disk/zorvelcal.png"

# The sounds and the README go on the disk compressed; mscompress writes "name.ext_" beside
# "name.ext", which is the name install.script copies from.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$resources/sounds/Start.wav" "$resources/sounds/Notify.wav" "$resources/sounds/Pick.wav" "$work/"
cp "$root/README.md" "$work/README.txt"
for file in Start.wav Notify.wav Pick.wav README.txt; do
  mscompress "$work/$file" >/dev/null
  mv "$work/${file}_" "$disk/${file}_"
done

echo "Installation disk ready in $disk; start it with: $disk/kzinstall"
