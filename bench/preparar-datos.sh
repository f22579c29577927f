#!/usr/bin/env bash
# Makes what the benchmarks read, in bench/datos, each file only if missing:
#   formas.txt     ~1 M Spanish word forms (scripts/generar-formas.sh)
#   formas-1m.lop  the program's store of them (rimario-cli crear)
#   ingenua.db     the plain SQLite table of the same words (rimario-medidas --crear-ingenua)
#   competente.db  the same table with the reversed word and skeleton and the rhyme keys indexed
# Needs a build with the benchmarks (bench/ejecutar.sh makes one): BUILD=dir overrides build/.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
datos=bench/datos
mkdir -p "$datos"
for programa in "$build/tools/rimario-cli" "$build/bench/rimario-medidas"; do
  [ -x "$programa" ] || { echo "Falta $programa: compile primero (bench/ejecutar.sh)." >&2; exit 1; }
done
if [ ! -s "$datos/formas.txt" ]; then
  bash scripts/generar-formas.sh "$datos/formas.txt"
fi
if [ ! -e "$datos/formas-1m.lop" ]; then
  "$build/tools/rimario-cli" crear --lista "$datos/formas.txt" "$datos/formas-1m.lop"
fi
if [ ! -e "$datos/ingenua.db" ]; then
  "$build/bench/rimario-medidas" --crear-ingenua "$datos/formas.txt" "$datos/ingenua.db"
fi
if [ ! -e "$datos/competente.db" ]; then
  "$build/bench/rimario-medidas" --crear-competente "$datos/formas.txt" "$datos/competente.db"
fi
