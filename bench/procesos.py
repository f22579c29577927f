#!/usr/bin/env python3
"""Whole-process figures at a million words, paired in one run.

Every command line search of rimario-cli against the same search in the
sqlite3 shell, on a table with the reversed word, the reversed skeleton and
the rhyme keys indexed (what a careful design indexes), and on the plain
table with like (the obvious way); and the window's start, from exec to its
first paint with the list usable (RIMARIO_AVISAR_LISTO), on the million-word
store and on a one-word store, and after another program renamed k rows of
the million (k = 1, 100, 10,000: the list kept from before brought up to date
from the store's log; the window then left to keep it anew, untimed) beside a
clean start. Rounds alternate the programs, so
that each figure is taken beside its baseline; the median of the rounds is shown.

  python3 bench/procesos.py [--rondas N] [--antes DIR] [--solo-ventana]

--antes DIR adds the same figures for the programs of another build (DIR/tools/rimario-cli,
DIR/src/app/rimario), e.g. an earlier commit, on the store given by --almacen-antes (one of
the format that build knows; the same store by default). Reads bench/datos (bench/preparar-datos.sh).
"""
import argparse
import os
import shutil
import signal
import sqlite3
import statistics
import subprocess
import sys
import tempfile
import time

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATOS = os.path.join(RAIZ, 'bench', 'datos')
ALMACEN = os.path.join(DATOS, 'formas-1m.lop')
COMPETENTE = os.path.join(DATOS, 'competente.db')
INGENUA = os.path.join(DATOS, 'ingenua.db')
MAX = chr(0x10FFFF)


def cadena(t):
    return "'" + t.replace("'", "''") + "'"


def casos(db):
    """(name, cli arguments, competent SQL, naive SQL or None)."""
    def fila(p):
        return db.execute('SELECT Voc, Consonante, Asonante, Silabas FROM Palabras WHERE Pal = ?', (p,)).fetchone()

    r = []
    for p, n, igual in (('canción', 2, False), ('canción', 4, True), ('cantamos', 2, False)):
        fin = p[-n:].lower()[::-1]
        extra = ' AND length(Pal) = %d' % len(p) if igual else ''
        r.append(('completas -n %d%s %s' % (n, ' igual' if igual else '', p),
                  ['-n', str(n)] + (['--igual-tamano'] if igual else []) + [p],
                  "SELECT Pal FROM Palabras WHERE Inv >= %s AND Inv < %s AND Pal <> %s%s;"
                  % (cadena(fin), cadena(fin + MAX), cadena(p), extra),
                  "SELECT Pal FROM Palabras WHERE Pal LIKE %s AND Pal <> %s%s;" % (cadena('%' + p[-n:]), cadena(p), extra)))
    for p, n in (('inoportunamente', 7), ('canción', 2)):
        voc = fila(p)[0][-n:].lower()
        r.append(('vocales -n %d %s' % (n, p), ['--vocales', '-n', str(n), p],
                  "SELECT Pal FROM Palabras WHERE InvVoc >= %s AND InvVoc < %s;" % (cadena(voc[::-1]), cadena(voc[::-1] + MAX)),
                  "SELECT Pal FROM Palabras WHERE substr(Voc, -%d) = %s;" % (n, cadena(voc))))
    for p, tipo, silabas in (('canción', 'consonante', None), ('canción', 'asonante', None), ('canción', 'asonante', True)):
        _, cons, ason, sil = fila(p)
        clave = cons if tipo == 'consonante' else ason
        columna = 'Consonante' if tipo == 'consonante' else 'Asonante'
        extra = ' AND Silabas = %d' % sil if silabas else ''
        r.append(('%s%s %s' % (tipo, ' silabas' if silabas else '', p),
                  ['--' + tipo] + (['--silabas', str(sil)] if silabas else []) + [p],
                  "SELECT Pal FROM Palabras WHERE %s = %s%s;" % (columna, cadena(clave), extra), None))
    return r


def tiempo(orden, entorno=None):
    t = time.perf_counter()
    subprocess.run(orden, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=entorno, check=False)
    return (time.perf_counter() - t) * 1000


def filas(orden, entorno=None):
    salida = subprocess.run(orden, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=entorno, check=False).stdout
    return salida.count(b'\n')


def arranque(carpeta, entorno, cache=None):
    """Milliseconds from exec to the window's first paint. With 'cache', the
    program is then left running (untimed) until it has kept its list there
    anew, or for 30 s. Every process the program started is gone before the
    next start (the web engine's helpers outlive a killed window a while)."""
    antes = time.time()
    t = time.perf_counter()
    p = subprocess.Popen([os.path.join(carpeta, 'rimario')], stderr=subprocess.PIPE, stdout=subprocess.DEVNULL,
                         env=entorno, start_new_session=True)
    for linea in p.stderr:
        if b'listo' in linea:
            break
    r = (time.perf_counter() - t) * 1000
    fin = time.time() + 30
    while cache and time.time() < fin and not any(
            x.endswith('.lista') and os.path.getmtime(os.path.join(cache, x)) > antes for x in os.listdir(cache)):
        time.sleep(0.05)
    try:
        os.killpg(p.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    p.wait()
    while subprocess.run(['pgrep', '-g', str(p.pid)], stdout=subprocess.DEVNULL).returncode == 0:
        time.sleep(0.02)
    time.sleep(0.3)
    return r


def carpeta_ventana(binario, almacen, destino):
    os.makedirs(destino, exist_ok=True)
    shutil.copy2(binario, os.path.join(destino, 'rimario'))
    if os.path.exists(binario + '-ventana'):  # the window, which the launcher starts
        shutil.copy2(binario + '-ventana', os.path.join(destino, 'rimario-ventana'))
    os.symlink(almacen, os.path.join(destino, 'data.lop'))
    return destino


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--rondas', type=int, default=15)
    ap.add_argument('--build', default=os.environ.get('BUILD', os.path.join(RAIZ, 'build-medidas')))
    ap.add_argument('--antes')
    ap.add_argument('--almacen-antes', default=ALMACEN)
    ap.add_argument('--solo-ventana', action='store_true', help='only the window\'s starts')
    a = ap.parse_args()
    for f in (ALMACEN, COMPETENTE, INGENUA):
        if not os.path.exists(f):
            sys.exit('Falta %s: ejecute bench/preparar-datos.sh.' % f)
    tmp = tempfile.mkdtemp(prefix='rimario-procesos-')
    lados = [('ahora', a.build)] + ([('antes', a.antes)] if a.antes else [])
    # Each build keeps its list in a cache of its own: one snapshot of another
    # format would make the other build read the rows at every start.
    entornos = {lado: dict(os.environ, RIMARIO_CACHE=os.path.join(tmp, 'cache-' + lado), RIMARIO_AVISAR_LISTO='1',
                           QT_QPA_PLATFORM=os.environ.get('QT_QPA_PLATFORM', 'offscreen'),
                           QTWEBENGINE_DISABLE_SANDBOX='1')
                for lado, _ in lados}
    # Only a build that marks its first paint has its window measured.
    def ventana(d):  # the window's program (an earlier build has no launcher)
        return os.path.join(d, 'src', 'app', 'rimario-ventana' if os.path.exists(os.path.join(d, 'src', 'app', 'rimario-ventana')) else 'rimario')
    con_aviso = [(lado, d) for lado, d in lados if b'RIMARIO_AVISAR_LISTO' in open(ventana(d), 'rb').read()]
    db = sqlite3.connect(COMPETENTE)
    tabla = casos(db)
    print('%-34s %8s %8s %9s %9s %9s' % ('orden (ms, mediana)', 'filas', 'ahora', 'antes', 'indexada', 'like'))
    for nombre, args, competente, ingenua in ([] if a.solo_ventana else tabla):
        cli = {lado: [os.path.join(d, 'tools', 'rimario-cli'), 'buscar', '--almacen',
                      ALMACEN if lado == 'ahora' else a.almacen_antes] + args for lado, d in lados}
        for lado, orden in cli.items():  # the first run keeps the list for the next ones
            tiempo(orden, entornos[lado])
        medidas = {k: [] for k in ('ahora', 'antes', 'indexada', 'like')}
        for _ in range(a.rondas):
            for lado, orden in cli.items():
                medidas[lado].append(tiempo(orden, entornos[lado]))
            medidas['indexada'].append(tiempo(['sqlite3', COMPETENTE, competente]))
            if ingenua:
                medidas['like'].append(tiempo(['sqlite3', INGENUA, ingenua]))
        n = filas(cli['ahora'], entornos['ahora'])
        m = filas(['sqlite3', COMPETENTE, competente])
        fmt = lambda k: '%9.1f' % statistics.median(medidas[k]) if medidas[k] else '%9s' % '-'
        print('%-34s %8s %8.1f %s %s %s' % (nombre, n if n == m else '%d/%d' % (n, m),
                                            statistics.median(medidas['ahora']), fmt('antes'), fmt('indexada'), fmt('like')),
              flush=True)
    # The window: the million words and one word, each side.
    lista = os.path.join(tmp, 'una.txt')
    with open(lista, 'w') as f:
        f.write('hola\n')
    unas = {}
    for lado, d in lados:  # each build makes its own (its own format)
        unas[lado] = os.path.join(tmp, 'una-%s.lop' % lado)
        subprocess.run([os.path.join(d, 'tools', 'rimario-cli'), 'crear', '--lista', lista, unas[lado]],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ventanas = {}
    for lado, d in con_aviso:
        for tam, almacen in (('1M', ALMACEN if lado == 'ahora' else a.almacen_antes), ('1', unas[lado])):
            ventanas[(lado, tam)] = carpeta_ventana(os.path.join(d, 'src', 'app', 'rimario'), almacen,
                                                    os.path.join(tmp, '%s-%s' % (lado, tam)))
    # A first start keeps the list; it is written while the window runs.
    for lado, _ in con_aviso:
        cache = entornos[lado]['RIMARIO_CACHE']
        shutil.rmtree(cache, ignore_errors=True)
        p = subprocess.Popen([os.path.join(ventanas[(lado, '1M')], 'rimario')], env=entornos[lado],
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        fin = time.time() + 30
        while time.time() < fin and not (os.path.isdir(cache)
                                         and any(os.path.getsize(os.path.join(cache, x)) > 50_000_000
                                                 for x in os.listdir(cache) if x.endswith('.lista'))):
            time.sleep(0.1)
        time.sleep(1)  # the file is named once whole
        p.kill()
        p.wait()
    rondas = a.rondas
    medidas = {k: [] for k in ventanas}
    for _ in range(rondas):
        for k, carpeta in ventanas.items():
            medidas[k].append(arranque(carpeta, entornos[k[0]]))
    for lado, _ in con_aviso:
        g, u = statistics.median(medidas[(lado, '1M')]), statistics.median(medidas[(lado, '1')])
        print('ventana pintada, %s: %.0f ms con 1M palabras, %.0f ms con una (%.2f veces)' % (lado, g, u, g / u))
    tras_cambios(a.build, entornos['ahora'], tmp, rondas)
    shutil.rmtree(tmp, ignore_errors=True)


def tras_cambios(build, entorno, tmp, rondas):
    """The window's start after another program renamed k rows, beside a clean start."""
    binario = os.path.join(build, 'src', 'app', 'rimario')
    carpetas = {}
    for k in (0, 1, 100, 10000):
        copia = os.path.join(tmp, 'cambios-%d.lop' % k)
        shutil.copy2(ALMACEN, copia)
        carpetas[k] = carpeta_ventana(binario, copia, os.path.join(tmp, 'cambios-%d' % k))
        # A first start reads the rows and keeps the list, written while it runs.
        cache = entorno['RIMARIO_CACHE']
        listas = lambda: {x for x in os.listdir(cache) if x.endswith('.lista')} if os.path.isdir(cache) else set()
        antes = listas()
        p = subprocess.Popen([os.path.join(carpetas[k], 'rimario')], env=entorno,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        fin = time.time() + 60
        while time.time() < fin and not (listas() - antes):
            time.sleep(0.1)
        time.sleep(1)
        p.kill()
        p.wait()
    medidas = {k: [] for k in carpetas}
    vuelta = False
    for _ in range(rondas):
        for k, carpeta in carpetas.items():
            if k:
                db = sqlite3.connect(os.path.join(carpeta, 'data.lop'))
                db.execute('UPDATE Palabras SET Pal = %s WHERE Id IN (SELECT Id FROM PalabrasBase ORDER BY Id LIMIT %d)'
                           % ('substr(Pal, 2)' if vuelta else "'x' || Pal", k))
                db.commit()
                db.close()
            # The list is then kept anew: the next start is again k changes behind it.
            medidas[k].append(arranque(carpeta, entorno, entorno['RIMARIO_CACHE'] if k else None))
        vuelta = not vuelta
    limpio = statistics.median(medidas[0])
    for k in (1, 100, 10000):
        m = statistics.median(medidas[k])
        print('ventana pintada tras %d cambios de otro programa: %.0f ms (limpia: %.0f ms, %.2f veces)' % (k, m, limpio, m / limpio))


if __name__ == '__main__':
    main()
