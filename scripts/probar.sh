#!/usr/bin/env bash
# Installs what is needed, builds and runs the whole test suite (headless), in
# three stages, each in a build folder of its own that later runs reuse:
#   normal  build/       the tests (extra CMake options given here go to this build);
#   san     build-san/   the same tests under AddressSanitizer and
#                        UndefinedBehaviorSanitizer (Debug);
#   fuzz    build-fuzz/  the fuzz targets (clang, libFuzzer), each run for
#                        RIMARIO_FUZZ_SEGUNDOS seconds (30 by default) on a copy
#                        of its corpus in fuzz/corpus/.
# RIMARIO_ETAPAS chooses stages (e.g. "normal,san"; all three by default).
# Every stage runs even when one before it fails; the summary at the end says
# which failed, and the exit status is non-zero if any did.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/instalar-dependencias.sh
export QT_QPA_PLATFORM=offscreen
etapas=",${RIMARIO_ETAPAS:-normal,san,fuzz},"
hilos=$(nproc)
resumen=()
fallida=0

etapa() { # name, then the command that runs it
  local nombre=$1 inicio=$SECONDS
  shift
  echo "==== $nombre"
  if "$@"; then
    resumen+=("$nombre: bien ($((SECONDS - inicio)) s)")
  else
    resumen+=("$nombre: FALLO ($((SECONDS - inicio)) s)")
    fallida=1
  fi
}

normal() {
  bash scripts/compilar.sh -DRIMARIO_TESTS=ON "$@" &&
    (cd build && ctest --output-on-failure --timeout 900 -j "$hilos")
}

# Leaks are looked for too, except those of system libraries that keep their
# allocations to the end (Chromium inside Qt WebEngine, fontconfig, udev). Qt
# WebEngine's Chromium frees some objects through a base of another size,
# which the sanitizer would call a new/delete type mismatch: that check is off.
san() {
  RIMARIO_CONSTRUCCION=build-san bash scripts/compilar.sh -DRIMARIO_TESTS=ON -DRIMARIO_BENCH=OFF \
    -DRIMARIO_SANITIZERS=ON -DCMAKE_BUILD_TYPE=Debug || return 1
  printf 'leak:%s\n' libQt6WebEngineCore.so libfontconfig.so libudev.so >build-san/lsan-ajenas.txt
  (cd build-san &&
    ASAN_OPTIONS=detect_leaks=1:new_delete_type_mismatch=0 \
    LSAN_OPTIONS=suppressions="$PWD/lsan-ajenas.txt":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --output-on-failure --timeout 1800 -j "$hilos")
}

fuzz() {
  CC=clang CXX=clang++ RIMARIO_CONSTRUCCION=build-fuzz RIMARIO_OBJETIVO=fuzz_todos \
    bash scripts/compilar.sh -DRIMARIO_FUZZ=ON -DRIMARIO_TESTS=OFF -DRIMARIO_BENCH=OFF \
    -DRIMARIO_FUZZ_SEGUNDOS="${RIMARIO_FUZZ_SEGUNDOS:-30}" || return 1
  local estado=0
  (cd build-fuzz && ctest --output-on-failure -j "$hilos" -L fuzz) || estado=1
  grep -h '^FUZZ ' build-fuzz/Testing/Temporary/LastTest.log || true
  return $estado
}

[[ $etapas == *,normal,* ]] && etapa "pruebas" normal "$@"
[[ $etapas == *,san,* ]] && etapa "pruebas con AddressSanitizer y UBSan" san
[[ $etapas == *,fuzz,* ]] && etapa "fuzzing" fuzz
echo "==== resumen"
printf '%s\n' "${resumen[@]}"
exit $fallida
