#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UBSan) in build-fuzz/ and
# runs each for a bounded time on its corpus (fuzz/corpus/<target>); new inputs go to a
# temporary folder, crashes to build-fuzz/crashes/. Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$here/build-fuzz
CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DEST_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_packets fuzz_request
mkdir -p "$build/crashes"
status=0
for target in packets request; do
  work=$(mktemp -d)
  echo "fuzz: $target for ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=0 "$build/bin/fuzz_$target" -max_total_time="$seconds" \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/crashes/$target-" "$work" "$here/fuzz/corpus/$target"; then
    echo "fuzz: $target FAILED (see $build/crashes)"
    status=1
  fi
  rm -rf "$work"
done
exit $status
