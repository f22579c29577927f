#!/usr/bin/env python3
"""Writes the tiny dictionaries the lookup tests read (run it here; the files are committed):
th_prueba.idx/.dat        a thesaurus in ISO 8859-1, the MyThes way;
prueba.index/.dict.dz     a dictd dictionary, dictzip with chunks of 64 bytes;
prueba-sin-tabla.dict.dz  the same text as a plain gzip member (no chunk table);
prueba.dict               and uncompressed."""
import gzip
import struct
import zlib

# ---- thesaurus
tesauro = [
    ("Dios", ["-|Creador|Señor|Todopoderoso"]),
    ("canción", ["(f.)|cantar|copla|tonada", "-|poema|verso"]),
    ("casa", ["-|hogar|vivienda|morada", "(f.)|edificio|inmueble"]),
    ("ñu", ["(m.)|antílope"]),
    ("rápido", ["-|veloz|ligero"]),
]
tesauro.sort(key=lambda e: e[0].encode("latin-1"))
datos = b"ISO8859-1\n"
indice = [b"ISO8859-1", str(len(tesauro)).encode()]
for palabra, acepciones in tesauro:
    indice.append(palabra.encode("latin-1") + b"|" + str(len(datos)).encode())
    datos += f"{palabra}|{len(acepciones)}\n".encode("latin-1")
    for a in acepciones:
        datos += a.encode("latin-1") + b"\n"
open("th_prueba.dat", "wb").write(datos)
open("th_prueba.idx", "wb").write(b"\n".join(indice) + b"\n")

# ---- dictd
ALFABETO = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"


def b64(n):
    s = ""
    while True:
        s = ALFABETO[n % 64] + s
        n //= 64
        if n == 0:
            return s


entradas = [
    ("00databaseutf8", "\n"),
    ("00databaseshort", "Diccionario de prueba\n"),
    ("casa", "casa /kˈasa/\nhouse\n"),
    ("argentina", "Argentina /ˌaɾxentˈina/\nArgentina\n"),
    ("argentina", "argentina /ˌaɾxentˈina/\nArgentinian woman\n"),
    ("canción", "canción /kanθjˈon/\nsong\n"),
    ("de", "de /dˈe/\n1. from, of\n2. out of\n"),
    ("ñu", "ñu\ngnu\n"),
]
texto = b""
lineas = []
for palabra, definicion in entradas:
    d = definicion.encode()
    lineas.append(f"{palabra}\t{b64(len(texto))}\t{b64(len(d))}")
    texto += d
lineas.sort(key=lambda l: l.split("\t")[0].encode())
open("prueba.index", "w", encoding="utf-8").write("\n".join(lineas) + "\n")

TROZO = 64
comp = zlib.compressobj(9, zlib.DEFLATED, -15)
trozos = []
for i in range(0, len(texto), TROZO):
    c = comp.compress(texto[i:i + TROZO]) + comp.flush(zlib.Z_FULL_FLUSH)
    trozos.append(c)
trozos[-1] += comp.flush(zlib.Z_FINISH)
ra = struct.pack("<HHH", 1, TROZO, len(trozos)) + b"".join(struct.pack("<H", len(c)) for c in trozos)
extra = b"RA" + struct.pack("<H", len(ra)) + ra
cabecera = b"\x1f\x8b\x08" + bytes([4 | 8]) + b"\0\0\0\0" + b"\x02\x03" + struct.pack("<H", len(extra)) + extra
cabecera += b"prueba.dict\0"
cola = struct.pack("<II", zlib.crc32(texto), len(texto) & 0xFFFFFFFF)
open("prueba.dict.dz", "wb").write(cabecera + b"".join(trozos) + cola)
open("prueba-sin-tabla.dict.dz", "wb").write(gzip.compress(texto, mtime=0))
open("prueba.dict", "wb").write(texto)
