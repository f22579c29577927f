#!/usr/bin/env bash
# Writes about a million real Spanish word forms (UTF-8, one a line), expanded
# from Debian's hunspell-es dictionary with unmunch (hunspell-tools).
set -euo pipefail
salida=${1:?uso: generar-formas.sh SALIDA.txt}
dic=/usr/share/hunspell/es_ES.dic
aff=/usr/share/hunspell/es_ES.aff
for f in "$dic" "$aff" /usr/bin/unmunch; do
  [ -e "$f" ] || { echo "Falta $f: instale hunspell-es y hunspell-tools." >&2; exit 1; }
done
codif=$(grep -m1 '^SET' "$aff" | awk '{print $2}')
unmunch "$dic" "$aff" 2>/dev/null | iconv -f "${codif:-UTF-8}" -t UTF-8 \
  | sed -e "s/\t/ /g" -e "s/[[:space:]]*\$//" -e "s/\xe2\x80\x8e//g" | grep -v "[/|_0-9]" | LC_ALL=C sort -u > "$salida.tmp"
mv "$salida.tmp" "$salida"
echo "$(wc -l < "$salida") formas en $salida" >&2
