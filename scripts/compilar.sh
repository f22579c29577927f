#!/usr/bin/env bash
# Configures and builds into build/ (extra CMake options may be given).
# RIMARIO_CONSTRUCCION names another build folder, RIMARIO_OBJETIVO a single
# target to build (everything by default).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${RIMARIO_CONSTRUCCION:-build}
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" --parallel "$(nproc)" ${RIMARIO_OBJETIVO:+--target "$RIMARIO_OBJETIVO"}
