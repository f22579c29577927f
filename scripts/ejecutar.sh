#!/usr/bin/env bash
# Installs what is needed, builds, creates the default word store beside the
# program if there is none (from Debian's Spanish word list) and starts the
# program. Without a display it runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/instalar-dependencias.sh
bash scripts/compilar.sh -DRIMARIO_TESTS=OFF -DRIMARIO_BENCH=OFF
programa=build/src/app/rimario
almacen=build/src/app/data.lop
if [ ! -e "$almacen" ]; then
  build/tools/rimario-cli crear --lista /usr/share/dict/spanish "$almacen"
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Sin pantalla: el programa se ejecuta bajo Xvfb (xvfb-run)." >&2
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$programa" "$@"
fi
exec "$programa" "$@"
