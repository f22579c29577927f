#!/usr/bin/env bash
# Builds the Debian package rimario_<version>_<arch>.deb: a Release build in
# build-paquete/ (RIMARIO_CONSTRUCCION names another folder) with Debian's
# hardening flags (dpkg-buildflags), packed by CPack, then checked by lintian
# (an error fails). The package's path is the last line printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/instalar-dependencias.sh
dir=${RIMARIO_CONSTRUCCION:-build-paquete}
RIMARIO_CONSTRUCCION=$dir bash scripts/compilar.sh -DCMAKE_BUILD_TYPE=Release \
  -DRIMARIO_TESTS=OFF -DRIMARIO_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" "$@" >&2
rm -f "$dir"/rimario_*.deb
(cd "$dir" && cpack -G DEB >&2)
paquete=$(ls "$dir"/rimario_*.deb)
# lintian exits non-zero on errors (warnings are shown and allowed).
lintian --fail-on error "$paquete" >&2
realpath "$paquete"
