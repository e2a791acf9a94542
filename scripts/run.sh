#!/usr/bin/env bash
# Sets up, builds and starts the suite on its embedded default (SQLite with demo data,
# application server in-process). Extra arguments go to the suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/setup.sh"
exec "$here/build/bin/suite" "$@"
