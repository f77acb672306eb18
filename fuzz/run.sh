#!/usr/bin/env bash
# Builds the fuzz targets with clang in build/fuzz and runs each one.
#   run.sh [seconds]  explores for a bounded time (default 60) on a corpus kept
#                     in build/fuzz/corpus, seeded from fuzz/seeds;
#   run.sh --smoke    a fixed number of runs from the seeds alone with a fixed
#                     random seed, so that a test run is the same every time.
# Prints the executions each reached; a broken property or a sanitizer report
# fails the run and leaves its input in build/fuzz/artifacts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
if [ "${1:-}" = --smoke ]; then
  limit=(-runs=20000 -seed=1)
  label="smoke"
else
  seconds=${1:-60}
  limit=(-max_total_time="$seconds")
  label="$seconds s"
fi
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
status=0
for target in text ini path_edit; do
  mkdir -p "$build/artifacts"
  # libFuzzer adds what it finds to the first folder: never the seeds of the
  # source tree, and for a smoke run an empty one, so every run starts alike.
  corpus=$build/corpus/$target
  if [ "$label" = smoke ]; then
    corpus=$build/smoke/$target
    rm -rf "$corpus"
  fi
  mkdir -p "$corpus"
  log=$build/$target.log
  if "$build/fuzz_$target" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$corpus" "$root/fuzz/seeds/$target" >"$log" 2>&1; then
    result=clean
  else
    result="FAILED, see $log"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  printf 'fuzz_%-10s %8s %12s executions  %s\n' "$target" "$label" "${runs:-?}" "$result"
done
exit $status
