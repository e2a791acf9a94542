#!/usr/bin/env bash
# Sets up and builds, starts PostgreSQL for the tests, and runs the whole suite through CTest.
# Usage: scripts/test.sh [--sanitize] [ctest options...]
#   --sanitize: a second build in build-sanitize/ with AddressSanitizer and UBSan, and the
#               suite run on it (any report fails the test that made it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build
if [ "${1:-}" = "--sanitize" ]; then
  shift
  "$here/scripts/setup.sh"
  build=$here/build-sanitize
  werror=OFF
  [ "${CI:-}" = "true" ] && werror=ON
  cmake -S "$here" -B "$build" -DEST_SANITIZE=ON -DEST_WERROR=$werror >/dev/null
  cmake --build "$build" -j"$(nproc)"
  # Qt and the drivers keep some allocations until exit: leaks are not what this run looks for.
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  "$here/scripts/setup.sh"
fi
eval "$("$here/scripts/pg-start.sh")"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
