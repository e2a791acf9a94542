#!/usr/bin/env bash
# Builds the Debian packages est-server and suite with CPack from the build tree (configured
# and built when missing). Prints the path of each package.
# Usage: scripts/package.sh [build-dir]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
[ -f "$build/CMakeCache.txt" ] || cmake -S "$here" -B "$build" -G Ninja >/dev/null
cmake "$build" >/dev/null # the package version and file lists follow the sources
cmake --build "$build" --target est-server suite Pkg_est25000
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >/dev/null)
ls "$build"/packages/*.deb
