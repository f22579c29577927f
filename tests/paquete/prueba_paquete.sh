#!/usr/bin/env bash
# Usage: prueba_paquete.sh BUILD VERSION SOURCES
# Packs BUILD with CPack into a temporary folder, unpacks the package with
# dpkg -x and checks it: the desktop entry, the metainfo, the icons and the
# manual page; the version; and, run from the unpacked tree with fresh user
# folders, which store the window and rimario-cli take.
set -euo pipefail
build=$1 version=$2 fuentes=$3
tmp=$(mktemp -d)
ventana_pid=""
trap '[ -n "$ventana_pid" ] && kill "$ventana_pid" 2>/dev/null; rm -rf "$tmp"' EXIT
fallo() { echo "FALLO: $*" >&2; exit 1; }
paso() { echo "-- $*"; }

paso "the package"
cpack -G DEB -B "$tmp/paquete" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1 || { cat "$tmp/cpack.log"; fallo "cpack"; }
deb="$tmp/paquete/rimario_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fallo "no $deb: $(ls "$tmp/paquete")"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fallo "the package's version"
depende=$(dpkg-deb -f "$deb" Depends)
for d in mythes-es dict-freedict-spa-eng libqt6widgets6 libsqlite3-0 libicu; do
  [[ $depende == *"$d"* ]] || fallo "Depends lacks $d: $depende"
done
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" || fallo "lintian reports errors"
fi

paso "unpacked: desktop entry, metainfo, icons, manual page"
raiz="$tmp/raiz"
dpkg -x "$deb" "$raiz"
bin="$raiz/usr/bin" datos="$raiz/usr/share"
id=es.rimario.rimario
desktop-file-validate "$datos/applications/$id.desktop" || fallo "desktop-file-validate"
appstreamcli validate --no-net "$datos/metainfo/$id.metainfo.xml" || fallo "appstreamcli validate"
grep -q "^Icon=$id$" "$datos/applications/$id.desktop" || fallo "the entry's icon"
grep -q "<release version=\"$version\"" "$datos/metainfo/$id.metainfo.xml" || fallo "the metainfo's release"
[ -f "$datos/icons/hicolor/scalable/apps/$id.svg" ] || fallo "no SVG icon"
for lado in 16 32 48 64 128 256; do
  png="$datos/icons/hicolor/${lado}x${lado}/apps/$id.png"
  # Width and height, from the PNG header.
  [ "$(od -An -tx1 -j16 -N8 "$png" | tr -d ' \n')" = "$(printf '%08x%08x' "$lado" "$lado")" ] ||
    fallo "$png is not $lado×$lado"
done
zcat "$datos/man/man1/rimario-cli.1.gz" | grep -q '^\.TH RIMARIO-CLI "1"' || fallo "the manual page"
zcat "$datos/man/man1/rimario-cli.1.gz" | grep -q 'consonante' || fallo "the manual page lacks the commands"
for pagina in rimario rimario-ventana rimario-cli-completo; do
  [ -f "$datos/man/man1/$pagina.1.gz" ] || fallo "no manual page for $pagina"
done
[ "$("$bin/rimario-cli" --version)" = "rimario-cli (Rimario) $version" ] || fallo "rimario-cli --version"
[ "$("$bin/rimario-cli-completo" --version)" = "rimario-cli (Rimario) $version" ] || fallo "rimario-cli-completo --version"

export QT_QPA_PLATFORM=offscreen RIMARIO_CACHE="$tmp/cache" HOME="$tmp/casa"
export XDG_CONFIG_HOME="$tmp/configuracion"
mkdir -p "$tmp/casa" "$tmp/vacia"
cd "$tmp/vacia" # no data.lop in the current folder

paso "rimario-cli, a new user: the installed default store"
export XDG_DATA_HOME="$tmp/datos-cli"
"$bin/rimario-cli" buscar --consonante canción >"$tmp/rimas" || fallo "buscar on the default store"
[ "$(wc -l <"$tmp/rimas")" -gt 100 ] || fallo "the default store gives $(wc -l <"$tmp/rimas") rhymes of canción"
grep -qx 'corazón' "$tmp/rimas" || fallo "no corazón among the rhymes of canción"
[ ! -e "$XDG_DATA_HOME" ] || fallo "rimario-cli made the user's folder"
# The store read is the unpacked one, not the build's: a small store in its place.
printf 'canción\nrazón\nmesa\n' >"$tmp/lista.txt"
"$bin/rimario-cli" crear --lista "$tmp/lista.txt" "$tmp/pequeno.lop" 2>/dev/null
mv "$datos/rimario/data.lop" "$tmp/predeterminado.lop"
cp "$tmp/pequeno.lop" "$datos/rimario/data.lop"
[ "$("$bin/rimario-cli" buscar --consonante canción | tr '\n' ' ')" = "razón " ] ||
  fallo "rimario-cli did not read the unpacked default store"
mv "$tmp/predeterminado.lop" "$datos/rimario/data.lop"

# Starts the unpacked launcher; returns 0 once the window is up (and closes
# it), else the program's exit status. Its standard error is in $tmp/ventana.log.
arrancar() {
  "$bin/rimario" 2>"$tmp/ventana.log" &
  ventana_pid=$!
  for _ in $(seq 600); do
    if grep -q '^Rimario: listo' "$tmp/ventana.log"; then
      kill "$ventana_pid"; wait "$ventana_pid" 2>/dev/null || true; ventana_pid=""
      return 0
    fi
    if ! kill -0 "$ventana_pid" 2>/dev/null; then
      local estado=0
      wait "$ventana_pid" || estado=$?
      ventana_pid=""
      return $estado
    fi
    sleep 0.1
  done
  cat "$tmp/ventana.log" >&2
  fallo "the window neither came up nor ended in 60 s"
}
export RIMARIO_AVISAR_LISTO=1

paso "the window, a new user: the default store copied into XDG_DATA_HOME"
export XDG_DATA_HOME="$tmp/datos"
arrancar || { cat "$tmp/ventana.log"; fallo "the first start failed"; }
[ -f "$XDG_DATA_HOME/rimario/data.lop" ] || fallo "no store copied into XDG_DATA_HOME"
grep -q "^Primer inicio: copiando el almacén de palabras inicial en «$XDG_DATA_HOME/rimario»" "$tmp/ventana.log" ||
  { cat "$tmp/ventana.log"; fallo "the first start did not say it copies the store"; }
cmp -s "$XDG_DATA_HOME/rimario/data.lop" "$datos/rimario/data.lop" || fallo "the copy differs from the default store"
[ "$(ls -A "$XDG_DATA_HOME/rimario")" = "data.lop" ] || fallo "left beside the copy: $(ls -A "$XDG_DATA_HOME/rimario")"
# rimario-cli now reads the same store as the window: made small to tell it apart.
cp "$tmp/pequeno.lop" "$XDG_DATA_HOME/rimario/data.lop"
[ "$("$bin/rimario-cli" buscar --consonante canción | tr '\n' ' ')" = "razón " ] ||
  fallo "rimario-cli did not read the user's store"
arrancar || { cat "$tmp/ventana.log"; fallo "the second start failed"; }
! grep -q "Primer inicio" "$tmp/ventana.log" || fallo "the second start copied the store again"
cmp -s "$XDG_DATA_HOME/rimario/data.lop" "$tmp/pequeno.lop" || fallo "the user's store was replaced"

paso "an Access store in the user's folder is converted"
cp "$fuentes/fuzz/corpus/access/muestra-access2000.lop" "$XDG_DATA_HOME/rimario/data.lop"
arrancar || { cat "$tmp/ventana.log"; fallo "the start on an Access store failed"; }
[ -f "$XDG_DATA_HOME/rimario/data.access2000.lop" ] || fallo "the Access store was not converted: $(ls -A "$XDG_DATA_HOME/rimario")"

paso "a store beside the program wins"
export XDG_DATA_HOME="$tmp/datos-junto"
cp "$tmp/pequeno.lop" "$bin/data.lop"
arrancar || { cat "$tmp/ventana.log"; fallo "the start with a store beside the program failed"; }
[ ! -e "$XDG_DATA_HOME" ] || fallo "the user's folder was made though a store lies beside the program"
[ "$("$bin/rimario-cli" buscar --consonante canción | tr '\n' ' ')" = "razón " ] ||
  fallo "rimario-cli did not read the store beside it"
rm "$bin/data.lop"

paso "a data folder that cannot be made: a Spanish message, exit 1, nothing made"
printf 'no es una carpeta\n' >"$tmp/archivo"
export XDG_DATA_HOME="$tmp/archivo/datos"
estado=0
arrancar || estado=$?
[ "$estado" = 1 ] || { cat "$tmp/ventana.log"; fallo "exit status $estado, not 1"; }
grep -q 'No se pudo preparar el almacén de palabras' "$tmp/ventana.log" || { cat "$tmp/ventana.log"; fallo "no Spanish message"; }
[ "$(cat "$tmp/archivo")" = "no es una carpeta" ] || fallo "the file in the way was changed"
if [ "$(id -u)" != 0 ]; then # permissions bind everyone but the superuser
  mkdir -p "$tmp/cerrada/rimario" && chmod 555 "$tmp/cerrada/rimario"
  export XDG_DATA_HOME="$tmp/cerrada"
  estado=0
  arrancar || estado=$?
  [ "$estado" = 1 ] || fallo "unwritable folder: exit status $estado, not 1"
  grep -q 'No se pudo preparar el almacén de palabras' "$tmp/ventana.log" || fallo "unwritable folder: no Spanish message"
  [ -z "$(ls -A "$tmp/cerrada/rimario")" ] || fallo "left in the unwritable folder: $(ls -A "$tmp/cerrada/rimario")"
  chmod 755 "$tmp/cerrada/rimario"
fi
echo "bien"
