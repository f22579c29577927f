#!/usr/bin/env bash
# Builds in Release, makes the data if missing and runs every benchmark, then
# prints the comparison table, then the window's vowel-mode search (click to
# rows shown, against the search alone). Extra arguments go to the benchmark binary
# (e.g. --benchmark_filter=tecla). Results also in bench/datos/resultados.json.
# Then whole processes (command line and window start) against the sqlite3
# shell (PROCESOS=0 leaves them out), and the pages of the offline lookups
# (SIN_CONEXION=0 leaves them out).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build-medidas}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRIMARIO_BENCH=ON -DRIMARIO_TESTS=OFF >/dev/null
cmake --build "$build" --parallel "$(nproc)" --target rimario rimario-cli rimario-medidas rimario-medidas-sin-conexion rimario-medidas-ventana
BUILD=$build bash bench/preparar-datos.sh
"$build/bench/rimario-medidas" --benchmark_out=bench/datos/resultados.json \
  --benchmark_out_format=json "$@"
python3 bench/tabla.py bench/datos/resultados.json
if [ "${PROCESOS:-1}" != 0 ]; then
  python3 bench/procesos.py --build "$build"
fi
"$build/bench/rimario-medidas-ventana"
if [ "${SIN_CONEXION:-1}" != 0 ]; then
  "$build/bench/rimario-medidas-sin-conexion"
fi
