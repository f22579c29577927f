#!/usr/bin/env bash
# Runs a libFuzzer program for a bounded time on a copy of its corpus:
#   ejecutar.sh PROGRAMA CORPUS SEGUNDOS HALLAZGOS [AJENA]
# New inputs go to the copy, which is thrown away; an input that breaks the
# program is kept in HALLAZGOS (crash-*, timeout-*, oom-*...). Prints one
# summary line: executions, and the corpus size before and after.
#
# AJENA names a library of others (e.g. libmdb) known to crash on some inputs:
# the run then goes on in child processes after a failure, and at the end every
# failing input is run again alone. A failure whose innermost frame of real
# code lies in that library is counted and reported; any other fails the test.
set -euo pipefail
programa=$1 corpus=$2 segundos=$3 hallazgos=$4 ajena=${5:-}
nombre=$(basename "$programa")
# Memory-backed when there is such a place: the targets may write files.
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
trabajo=$(mktemp -d "$base/$nombre.XXXXXX")
trap 'rm -rf "$trabajo"' EXIT
mkdir -p "$trabajo/corpus" "$trabajo/fallos" "$trabajo/tmp" "$hallazgos"
export TMPDIR="$trabajo/tmp"
cp -r "$corpus"/. "$trabajo/corpus"/
opciones=(-max_total_time="$segundos" -rss_limit_mb=2048 -timeout=20 -print_final_stats=1)
diccionario="$(dirname "$0")/${nombre#fuzz_}.dict"
[ -f "$diccionario" ] && opciones+=(-dict="$diccionario")
antes=$(find "$trabajo/corpus" -type f | wc -l)

if [ -z "$ajena" ]; then
  estado=0
  "$programa" "$trabajo/corpus" "${opciones[@]}" -artifact_prefix="$hallazgos/" \
    >"$trabajo/registro" 2>&1 || estado=$?
  despues=$(find "$trabajo/corpus" -type f | wc -l)
  ejecuciones=$(sed -n 's/^stat::number_of_executed_units: *//p' "$trabajo/registro" | tail -1)
  if [ "$estado" -ne 0 ]; then
    # The report of what failed, without libFuzzer's progress lines.
    grep -v '^#[0-9]' "$trabajo/registro" | tail -n 120
    echo "FUZZ $nombre: FALLO tras ${ejecuciones:-?} ejecuciones; la entrada está en $hallazgos"
    exit 1
  fi
  echo "FUZZ $nombre: ${ejecuciones:-?} ejecuciones en $segundos s; corpus $antes -> $despues entradas"
  exit 0
fi

"$programa" "$trabajo/corpus" "${opciones[@]}" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 \
  -ignore_ooms=1 -artifact_prefix="$trabajo/fallos/" >"$trabajo/registro" 2>&1 || true
despues=$(find "$trabajo/corpus" -type f | wc -l)
ejecuciones=$(sed -n 's/^#\([0-9]*\): .*/\1/p' "$trabajo/registro" | tail -1)
conocidos=0 propios=0
for f in "$trabajo"/fallos/*; do
  [ -e "$f" ] || continue
  informe="$trabajo/informe"
  "$programa" -timeout=20 -rss_limit_mb=2048 "$f" >"$informe" 2>&1 && continue # no longer fails
  # The innermost frame that is neither the sanitizers', libc's nor libFuzzer's.
  marco=$(grep -E '^ +#[0-9]+ 0x' "$informe" \
    | grep -vE 'libasan|libubsan|libclang_rt|libc\.so|libstdc\+\+|__asan|__ubsan|__sanitizer|__interceptor|fuzzer::|compiler-rt' \
    | head -1 || true)
  if [ -n "$marco" ] && grep -q "$ajena" <<<"$marco"; then
    conocidos=$((conocidos + 1))
    cp "$f" "$hallazgos/$ajena-$(basename "$f")"
  else
    propios=$((propios + 1))
    cp "$f" "$hallazgos/"
    grep -v '^#[0-9]' "$informe" | tail -n 80
  fi
done
resumen="${ejecuciones:-?} ejecuciones en $segundos s; corpus $antes -> $despues entradas"
if [ "$propios" -gt 0 ]; then
  echo "FUZZ $nombre: FALLO: $propios entradas rompen el programa ($resumen); están en $hallazgos"
  exit 1
fi
echo "FUZZ $nombre: $resumen; $conocidos entradas rompen $ajena (fallo conocido de esa biblioteca; copias en $hallazgos)"
