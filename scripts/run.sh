#!/usr/bin/env bash
# Starts the suite on its embedded default (SQLite with demo data, application server
# in-process). The first run sets up and builds; later runs build only when a source changed
# since the last build, and say so in one line. Extra arguments go to the suite.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$here/build
stamp=$build/.run-compilado
log=$build/run-compilacao.log

compila() {
    if ! "$@" >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "run: a compilação falhou; a saída completa está em $log" >&2
        exit 1
    fi
    touch "$stamp"
}

if [ ! -x "$build/bin/suite" ] || [ ! -f "$build/CMakeCache.txt" ] || [ ! -f "$stamp" ]; then
    echo "run: preparando e compilando (só na primeira vez; alguns minutos)..."
    compila "$here/scripts/setup.sh" "$build"
elif [ -n "$(find "$here/src" "$here/cmake" "$here/CMakeLists.txt" -newer "$stamp" \
    -print -quit 2>/dev/null)" ]; then
    echo "run: fontes alteradas, compilando..."
    compila cmake --build "$build" -j"$(nproc)"
else
    echo "run: nada a compilar."
fi
exec "$build/bin/suite" "$@"
