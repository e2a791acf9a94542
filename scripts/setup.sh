#!/usr/bin/env bash
# Installs what the build needs when it is missing (Debian 12, as root), configures and builds.
# Usage: scripts/setup.sh [build-dir]   (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}

packages=(build-essential cmake pkg-config qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql
  libcpp-httplib-dev libssl-dev zlib1g-dev libbrotli-dev libgtest-dev libgmock-dev
  libbenchmark-dev libgl-dev postgresql-15 xvfb xauth fonts-dejavu-core fonts-liberation2
  libboost1.81-dev libsqlite3-dev libsodium-dev libpq-dev openssl clang python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S "$here" -B "$build" -DEST_WERROR=$werror >/dev/null
cmake --build "$build" -j"$(nproc)"
