#!/usr/bin/env python3
"""Mutation check of the test suite.

  scripts/mutantes.py generar [--semilla S] [--cuantos N] [--lista F]
      Writes a fixed sample of mutants of src/ (one changed line each) to F.
  scripts/mutantes.py probar --build DIR [--lista F] [--resultado R] [--desde K] [--solo R0]
      For each mutant: changes the line in the source tree, rebuilds DIR, runs
      its tests (ctest, stopping at the first failure), puts the line back.
      Writes one line per mutant to R: index, verdict (muerto / vivo /
      no-compila), file, line, operator. Resumable with --desde; --solo R0 runs only
      the mutants an earlier result R0 gives as killed (a quicker lower bound);
      --quien adds which tests and test functions failed; --todas runs every
      test of a mutant, not only up to a failure (what a test adds that no
      other test has).
  scripts/mutantes.py resumen [--resultado R]
      Kill rate over the mutants that compile.

A mutant is found again by its original text, so a list made on one tree can
be run on a tree whose lines moved. Slow (one rebuild and one test run per
mutant): it is not part of CI.
"""

import argparse
import json
import os
import random
import re
import subprocess
import sys
import time

RAIZ = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LISTA = os.path.join(RAIZ, "scripts", "mutantes", "lista.json")
RESULTADO = os.path.join(RAIZ, "scripts", "mutantes", "resultado.tsv")

# (name, pattern, replacement); applied at one match of the line.
OPERADORES = [
    ("==->!=", r"==", "!="),
    ("!=->==", r"!=", "=="),
    ("<=-><", r"<=", "<"),
    (">=->>", r">=", ">"),
    ("<-><=", r"(?<![<\w])<(?![<=])(?=\s)", "<="),
    (">->>=", r"(?<=\s)>(?![>=])", ">="),
    ("&&->||", r"&&", "||"),
    ("||->&&", r"\|\|", "&&"),
    ("true->false", r"\btrue\b", "false"),
    ("false->true", r"\bfalse\b", "true"),
    ("+1->-1", r"\+ 1\b", "- 1"),
    ("-1->+1", r"- 1\b", "+ 1"),
    ("0->1", r"(?<![\w.])0(?![\w.x])", "1"),
    ("1->0", r"(?<![\w.])1(?![\w.])", "0"),
    ("++->--", r"\+\+", "--"),
    ("+=->-=", r"\+=", "-="),
    ("!x->x", r"(?<![!=\w])!(?!=)", ""),
    ("if->if!", r"\bif \((.*)\)(\s*\{?\s*)$", r"if (!(\1))\2"),
    ("return->!return", r"\breturn (true|false);", None),
    ("break->;", r"\bbreak;", ";"),
    ("continue->;", r"\bcontinue;", ";"),
]

ELIMINAR = "borrar"


def sin_cadenas(linea):
    """The line with string and character literals blanked out."""
    return re.sub(r'"(\\.|[^"\\])*"|\'(\\.|[^\'\\])*\'', lambda m: " " * len(m.group(0)), linea)


def candidatos(ruta, lineas):
    en_comentario = False
    for i, linea in enumerate(lineas):
        s = linea.strip()
        if en_comentario:
            if "*/" in s:
                en_comentario = False
            continue
        if s.startswith("/*"):
            en_comentario = "*/" not in s
            continue
        if not s or s.startswith("//") or s.startswith("#") or s.startswith("static_assert"):
            continue
        codigo = sin_cadenas(linea)
        if "//" in codigo:
            codigo = codigo[: codigo.index("//")]
        for nombre, patron, repl in OPERADORES:
            for m in re.finditer(patron, codigo):
                if nombre == "return->!return":
                    nuevo = linea[: m.start()] + ("return false;" if m.group(1) == "true" else "return true;") + linea[m.end():]
                elif nombre == "if->if!":
                    nuevo = linea[: m.start()] + m.expand(repl) + linea[m.end():]
                else:
                    nuevo = linea[: m.start()] + repl + linea[m.end():]
                if nuevo != linea:
                    yield {"archivo": ruta, "linea": i + 1, "original": linea, "mutado": nuevo, "operador": nombre}
        # A statement that is a call or an assignment, whole on its own line
        # (not a declaration: deleting one would not compile).
        anterior = lineas[i - 1].rstrip() if i else ""
        declaracion = re.match(r"^(const\s+)?[\w:<>,*&]+(\s*[*&])?\s+\w+\s*(=|\(|\{|;)", s)
        if (s.endswith(";") and ("(" in s or "=" in s) and not declaracion
                and anterior.endswith((";", "{", "}", ":"))
                and not re.match(r"^(return|case|default|using|namespace|typedef|friend|public|private|[{}])", s)):
            sangria = linea[: len(linea) - len(linea.lstrip())]
            yield {"archivo": ruta, "linea": i + 1, "original": linea, "mutado": sangria + ";", "operador": ELIMINAR}


def fuentes():
    for base, _, nombres in os.walk(os.path.join(RAIZ, "src")):
        for n in sorted(nombres):
            if n.endswith(".cpp"):
                yield os.path.relpath(os.path.join(base, n), RAIZ)


def generar(args):
    todos = []
    for ruta in sorted(fuentes()):
        with open(os.path.join(RAIZ, ruta), encoding="utf-8") as f:
            lineas = f.read().split("\n")
        todos.extend(candidatos(ruta, lineas))
    elegidos = random.Random(args.semilla).sample(todos, min(args.cuantos, len(todos)))
    elegidos.sort(key=lambda m: (m["archivo"], m["linea"]))
    os.makedirs(os.path.dirname(args.lista), exist_ok=True)
    with open(args.lista, "w", encoding="utf-8") as f:
        json.dump({"semilla": args.semilla, "candidatos": len(todos), "mutantes": elegidos}, f,
                  ensure_ascii=False, indent=1)
    print(f"{len(elegidos)} mutantes de {len(todos)} posibles -> {args.lista}")


def localizar(lineas, m):
    """Index of the mutant's original line: at its number, or the nearest equal line."""
    i = m["linea"] - 1
    if 0 <= i < len(lineas) and lineas[i] == m["original"]:
        return i
    iguales = [k for k, l in enumerate(lineas) if l == m["original"]]
    return min(iguales, key=lambda k: abs(k - i)) if iguales else None


def ejecutar(cmd, cwd, limite, entorno=None, salida=None):
    """The command's status (-1 if it took longer than 'limite'); its output appended to 'salida'."""
    try:
        r = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE if salida is not None else subprocess.DEVNULL,
                           stderr=subprocess.STDOUT if salida is not None else subprocess.DEVNULL, timeout=limite,
                           env=entorno)
        if salida is not None:
            salida.append(r.stdout.decode("utf-8", "replace"))
        return r.returncode
    except subprocess.TimeoutExpired:
        return -1


def asesinos(texto):
    """The tests and test functions that failed, from ctest's output."""
    r = set()
    for l in texto.split("\n"):
        m = re.match(r"\s*\d+ - (\S+) \(", l) or re.search(r"(?:FAIL!|QFATAL) +: (\w+::\w+)", l)
        if m:
            r.add(m.group(1))
    return sorted(r)


def salidas(build, objetivo):
    """What ninja builds from 'objetivo' directly."""
    r = subprocess.run(["ninja", "-C", build, "-t", "query", objetivo], capture_output=True, text=True)
    lineas = r.stdout.split("\n")
    if "  outputs:" not in lineas:
        return []
    return [l.strip() for l in lineas[lineas.index("  outputs:") + 1:] if l.startswith("    ")]


class Grafo:
    """Which programs contain a source file, and which tests run them."""

    def __init__(self, build):
        self.build = build
        salida = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build, capture_output=True, text=True).stdout
        self.pruebas = [(t["name"], [os.path.realpath(a) if os.path.isabs(a) else a for a in t.get("command", [])])
                        for t in json.loads(salida)["tests"]]
        self.programas = {}

    def programas_de(self, fuente):
        vistos, pendientes, programas = set(), [fuente], set()
        while pendientes:
            o = pendientes.pop()
            for s in salidas(self.build, o):
                if s in vistos or "autogen" in s or ("CMakeFiles" in s and not s.endswith(".o")) or s.endswith("/all") or s == "all":
                    continue
                vistos.add(s)
                ruta = os.path.realpath(os.path.join(self.build, s))
                if not s.endswith((".a", ".o")) and os.path.isfile(ruta) and os.access(ruta, os.X_OK):
                    programas.add(ruta)
                pendientes.append(s)
        return programas

    def contiene(self, programa, rutas):
        """True if the program names one of 'rutas' (a child program it runs)."""
        if programa not in self.programas:
            try:
                with open(programa, "rb") as f:
                    self.programas[programa] = f.read()
            except OSError:
                self.programas[programa] = b""
        datos = self.programas[programa]
        return any(r.encode() in datos for r in rutas)

    def pruebas_de(self, programas):
        elegidas = []
        for nombre, orden in self.pruebas:
            ejecutables = [a for a in orden if os.path.isabs(a) and os.path.isfile(a)]
            if any(a in programas for a in orden) or any(self.contiene(e, programas) for e in ejecutables):
                elegidas.append(nombre)
        return elegidas


def probar(args):
    with open(args.lista, encoding="utf-8") as f:
        mutantes = json.load(f)["mutantes"]
    build = os.path.abspath(args.build)
    grafo = Grafo(build)
    entorno = dict(os.environ, QT_QPA_PLATFORM=os.environ.get("QT_QPA_PLATFORM", "offscreen"))
    modo = "a" if args.desde else "w"
    # --solo R: only the mutants that R (an earlier result) gives as killed.
    solo = None
    if args.solo:
        with open(args.solo, encoding="utf-8") as f:
            solo = {int(l.split("\t")[0]) for l in f if l.split("\t")[1] == "muerto"}
    previos = set()  # built with the last mutant: rebuilt from the restored file
    with open(args.resultado, modo, encoding="utf-8") as salida:
        for k, m in enumerate(mutantes):
            if k < args.desde or (solo is not None and k not in solo):
                continue
            ruta = os.path.join(args.arbol, m["archivo"])
            texto = ""
            if os.path.exists(ruta):  # a file since removed or renamed: the mutant is lost
                with open(ruta, encoding="utf-8") as f:
                    texto = f.read()
            lineas = texto.split("\n")
            i = localizar(lineas, m) if texto else None
            t0 = time.time()
            quien = ""
            if i is None:
                veredicto = "perdido"
            else:
                # Only the programs built from the file are rebuilt, and only the
                # tests that run one of them are run: no other can tell.
                programas = grafo.programas_de(os.path.realpath(ruta))
                pruebas = grafo.pruebas_de(programas)
                lineas[i] = m["mutado"]
                try:
                    with open(ruta, "w", encoding="utf-8") as f:
                        f.write("\n".join(lineas))
                    objetivos = [os.path.relpath(p, build) for p in programas | previos]
                    previos = programas
                    if not pruebas:
                        veredicto = "sin-pruebas"
                    elif ejecutar(["ninja", "-C", build] + objetivos, build, 900) != 0:
                        veredicto = "no-compila"
                    else:
                        filtro = "^(" + "|".join(re.escape(p) for p in pruebas) + ")$"
                        salidaCtest = []
                        codigo = ejecutar(["ctest", "-j2", "--timeout", str(args.limite), "-R", filtro]
                                          + ([] if args.todas else ["--stop-on-failure"])
                                          + (["--output-on-failure"] if args.quien else []), build, 3600, entorno,
                                          salidaCtest if args.quien else None)
                        veredicto = "vivo" if codigo == 0 else "muerto"
                        if args.quien and codigo != 0:
                            quien = ",".join(asesinos("".join(salidaCtest)))
                finally:
                    with open(ruta, "w", encoding="utf-8") as f:
                        f.write(texto)
            print(f"[{k + 1}/{len(mutantes)}] {veredicto:10} {m['archivo']}:{m['linea']} {m['operador']} "
                  f"({time.time() - t0:.0f} s)", flush=True)
            salida.write(f"{k}\t{veredicto}\t{m['archivo']}\t{m['linea']}\t{m['operador']}"
                         + (f"\t{quien}" if args.quien else "") + "\n")
            salida.flush()
    # Leave the build matching the restored tree.
    ejecutar(["cmake", "--build", build, "-j2"], build, 900)
    resumen(args)


def resumen(args):
    cuenta = {}
    with open(args.resultado, encoding="utf-8") as f:
        for l in f:
            v = l.split("\t")[1]
            cuenta[v] = cuenta.get(v, 0) + 1
    validos = cuenta.get("muerto", 0) + cuenta.get("vivo", 0)
    tasa = 100.0 * cuenta.get("muerto", 0) / validos if validos else 0.0
    print(" ".join(f"{v}={n}" for v, n in sorted(cuenta.items())) + f"  tasa de muertos: {tasa:.1f} %")


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = p.add_subparsers(dest="orden", required=True)
    g = sub.add_parser("generar")
    g.add_argument("--semilla", type=int, default=2026)
    g.add_argument("--cuantos", type=int, default=150)
    g.add_argument("--lista", default=LISTA)
    g.set_defaults(f=generar)
    pr = sub.add_parser("probar")
    pr.add_argument("--build", required=True, help="build folder configured with RIMARIO_TESTS=ON")
    pr.add_argument("--arbol", default=RAIZ, help="source tree the build folder builds")
    pr.add_argument("--lista", default=LISTA)
    pr.add_argument("--resultado", default=RESULTADO)
    pr.add_argument("--desde", type=int, default=0)
    pr.add_argument("--limite", type=int, default=300, help="seconds allowed to each test")
    pr.add_argument("--solo", help="an earlier result: run only the mutants it gives as killed")
    pr.add_argument("--quien", action="store_true", help="write which tests and test functions failed")
    pr.add_argument("--todas", action="store_true", help="run every test of a mutant, not only up to a failure")
    pr.set_defaults(f=probar)
    r = sub.add_parser("resumen")
    r.add_argument("--resultado", default=RESULTADO)
    r.set_defaults(f=resumen)
    args = p.parse_args()
    if getattr(args, "todas", False):
        args.quien = True
    args.f(args)


if __name__ == "__main__":
    main()
