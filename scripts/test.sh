#!/usr/bin/env bash
# Sets up and builds, starts PostgreSQL for the tests, and runs the whole suite through CTest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
eval "$("$here/scripts/pg-start.sh")"
export QT_QPA_PLATFORM=offscreen
cd "$here/build"
ctest --output-on-failure -j"$(nproc)" --timeout 600 "$@"
