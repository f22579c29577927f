#!/usr/bin/env bash
# Installs everything the project needs to build, run and test, from Debian's
# packages. Idempotent; run as root (or with sudo available).
set -euo pipefail
paquetes=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libqt6webenginecore6-bin
  qt6-translations-l10n libqt6webengine6-data
  libsqlite3-dev sqlite3 libicu-dev libxxhash-dev
  mdbtools mdbtools-dev
  wspanish hunspell-es hunspell-tools
  mythes-es dict-freedict-spa-eng zlib1g-dev
  libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev lld gcovr
  xvfb xauth fonts-liberation2 fonts-dejavu-core
  dpkg-dev fakeroot lintian help2man desktop-file-utils appstream librsvg2-bin man-db
  imagemagick xdotool
)
faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if [ ${#faltan[@]} -eq 0 ]; then
  echo "Dependencias ya instaladas."
  exit 0
fi
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${faltan[@]}"
