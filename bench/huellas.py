#!/usr/bin/env python3
"""The searches' results as digests, to compare two builds: a change meant to keep
what the searches answer must leave every line as it was.

  python3 bench/huellas.py [--build DIR] [--lista PALABRAS.txt] > huellas.txt

Makes a store of the word list (by default Debian's /usr/share/dict/spanish) with the
build's rimario-cli, then runs 21 words in 12 modes, each twice: answered from the
snapshot (the direct search) and with the snapshot turned off (the whole program).
Prints one line per search: the mode, the word, the path, the count and a SHA-256 of
the output (exit status included).
"""
import argparse
import hashlib
import os
import subprocess
import sys
import tempfile

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

PALABRAS = ['canción', 'cantamos', 'pájaro', 'inoportunamente', 'casa', 'perro', 'amor',
            'corazón', 'luz', 'árbol', 'noche', 'esdrújula', 'murciélago', 'agua', 'país',
            'rey', 'camión', 'ciudad', 'huir', 'cigüeña', 'poeta']
MODOS = [['-n', '2'], ['-n', '3'], ['-n', '5'], ['-n', '7'], ['-n', '4', '--igual-tamano'],
         ['--vocales', '-n', '2'], ['--vocales', '-n', '4'], ['--vocales', '--igual-tamano', '-n', '3'],
         ['--consonante'], ['--asonante'], ['--consonante', '--silabas', '3'],
         ['--asonante', '--silabas', '2']]


def main():
    a = argparse.ArgumentParser()
    a.add_argument('--build', default=os.path.join(RAIZ, 'build'))
    a.add_argument('--lista', default='/usr/share/dict/spanish')
    o = a.parse_args()
    cli = os.path.join(o.build, 'tools', 'rimario-cli')
    with tempfile.TemporaryDirectory() as d:
        almacen = os.path.join(d, 'data.lop')
        cache = os.path.join(d, 'cache')
        os.mkdir(cache)
        subprocess.run([cli, 'crear', '--lista', o.lista, almacen], check=True, stderr=subprocess.DEVNULL)
        for camino, entorno in (('directa', cache), ('completa', '')):
            env = dict(os.environ, RIMARIO_CACHE=entorno)
            for modo in MODOS:
                for p in PALABRAS:
                    r = subprocess.run([cli, 'buscar', '--almacen', almacen] + modo + [p],
                                       capture_output=True, env=env)
                    h = hashlib.sha256(r.stdout + b'\0' + str(r.returncode).encode()).hexdigest()[:16]
                    print(' '.join(modo), p, camino, r.stdout.count(b'\n'), h)
    return 0


if __name__ == '__main__':
    sys.exit(main())
