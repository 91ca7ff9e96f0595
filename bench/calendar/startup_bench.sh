#!/usr/bin/env bash
# Times the calendar from start to its first painted month, with an empty store and with one of
# 10,000 appointments: five runs each on a virtual X server, median reported. The program prints
# the time itself (ZORVELCAL_EXIT_AFTER_FIRST_PAINT=1) and closes. The processor time it has used
# by then is reported beside the elapsed time: on a busy machine it is the steadier figure.
#   bash bench/calendar/startup_bench.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
program=$build/calendar/zorvelcal
generator=$build/bench/calendar/startup_bench
for f in "$program" "$generator"; do
  [ -x "$f" ] || { echo "$f is not built; run: cmake --build $build" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$generator" --write-store "$work/empty.db" 0
"$generator" --write-store "$work/large.db" 10000

cat > "$work/runs.sh" <<'RUNS'
#!/usr/bin/env bash
set -euo pipefail
program=$1 work=$2
start() { # store -> the program's own time to its first paint, and its processor time by then
  ZORVELCAL_STORE=$1 ZORVELCAL_EXIT_AFTER_FIRST_PAINT=1 "$program" --no-splash 2>/dev/null |
    sed -n 's/^first paint after \([0-9.]*\) ms (\([0-9.]*\) ms of processor time)$/\1 \2/p'
}
# One start of each to warm the caches, then five of each, taken in turn on the same X server so
# that whatever else the machine is doing weighs on both alike.
start "$work/empty.db" >/dev/null
start "$work/large.db" >/dev/null
for i in 1 2 3 4 5; do
  start "$work/empty.db" >> "$work/empty.times"
  start "$work/large.db" >> "$work/large.times"
done
RUNS

median() { sort -n | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'; }
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$work/runs.sh" "$program" "$work"
report() { # column, what
  local empty large
  echo "$2, empty store, runs (ms): $(cut -d' ' -f"$1" "$work/empty.times" | tr '\n' ' ')" >&2
  echo "$2, 10,000 appointments, runs (ms): $(cut -d' ' -f"$1" "$work/large.times" | tr '\n' ' ')" >&2
  empty=$(cut -d' ' -f"$1" "$work/empty.times" | median)
  large=$(cut -d' ' -f"$1" "$work/large.times" | median)
  echo "median $2: empty store $empty ms, 10,000 appointments $large ms," \
       "difference $(awk -v a="$large" -v b="$empty" 'BEGIN {printf "%.1f", a - b}') ms (target: at most 30 ms)"
}
report 1 "start-up to first paint"
report 2 "processor time to first paint"
