#!/usr/bin/env bash
# Sets everything up, builds, and starts the calendar.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [ -x build/calendar/zorvelcal ]; then
  exec build/calendar/zorvelcal "$@"
fi
echo "The calendar's window is not built yet; the engine and its tests are in build/."
