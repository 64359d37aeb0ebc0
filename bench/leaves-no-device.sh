#!/usr/bin/env bash
# Runs a benchmark that boots a device, in a temporary folder of its own, and
# checks that it ended and left no device behind: no file, no process.
set -uo pipefail
bench=$1
filter=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/orvelle-bench-check-XXXXXX")
chmod 755 "$work"  # the device's own user passes through
TMPDIR=$work timeout 300 "$bench" --benchmark_filter="$filter" >"$work.out" 2>&1
code=$?
left=$(ls -A "$work")
running=$(pgrep -f -- "$work/" || true)
status=0
if [ "$code" -ne 0 ]; then
  echo "leaves-no-device: $bench --benchmark_filter=$filter ended with $code:"; tail -5 "$work.out"; status=1
fi
if [ -n "$left" ]; then echo "leaves-no-device: the benchmark left $work/$left"; status=1; fi
if [ -n "$running" ]; then echo "leaves-no-device: processes of the benchmark's device still run: $running"; status=1; fi
# Not left to run on: a device left behind is shut down as any other.
for run in "$work"/*/*/run; do
  [ -d "$run" ] && "$(dirname "$bench")/orvelle-sim" shutdown "${run%/run}" >/dev/null 2>&1
done
rm -rf "$work" "$work.out"
exit $status
