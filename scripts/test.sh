#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: logic tests in parallel, then the GUI tests
# one at a time on a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cd build
status=0
ctest -LE gui -j"$(nproc)" --output-on-failure || status=1
if ctest -N -L gui | grep -q "Total Tests: [1-9]"; then
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest -L gui --output-on-failure || status=1
fi
exit $status
