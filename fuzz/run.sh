#!/usr/bin/env bash
# Builds the fuzz targets with clang in build/fuzz and runs each for a bounded
# time (seconds, default 60) on a corpus kept in build/fuzz/corpus and seeded
# from fuzz/seeds. Prints the executions each reached; a broken property or a
# sanitizer report fails the run and leaves its input in build/fuzz/artifacts.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log"; exit 1; }
status=0
for target in text ini path_edit; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus" "$build/artifacts"
  log=$build/$target.log
  if "$build/fuzz_$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$corpus" "$root/fuzz/seeds/$target" >"$log" 2>&1; then
    result=clean
  else
    result="FAILED, see $log"
    status=1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  printf 'fuzz_%-10s %5s s %12s executions  %s\n' "$target" "$seconds" "${runs:-?}" "$result"
done
exit $status
