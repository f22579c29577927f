#!/usr/bin/env bash
# Installs what is needed, builds and runs the whole test suite (headless).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/instalar-dependencias.sh
bash scripts/compilar.sh -DRIMARIO_TESTS=ON "$@"
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 -j "$(nproc)"
