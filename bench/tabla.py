#!/usr/bin/env python3
"""Prints the benchmark results as a table: ours beside the baseline, and the ratio."""
import json
import sys

LADOS = ("nuestro", "ingenuo")


def main(ruta):
    with open(ruta, encoding="utf-8") as f:
        corridas = json.load(f)["benchmarks"]
    pares = {}
    for c in corridas:
        partes = c["name"].split("/")
        lado = next((p for p in partes if p in LADOS), None)
        if lado is None or c.get("run_type") == "aggregate" or c.get("error_occurred"):
            continue
        medida = "/".join(partes[: partes.index(lado)])
        pares.setdefault(medida, {})[lado] = c
    memoria = pares.pop("memoria", {})
    print(f"\n{'medida (tiempo real)':28} {'nuestro':>12} {'(CPU)':>10} {'ingenuo':>12} "
          f"{'veces':>8} {'filas':>8}  hallada (nuestro / ingenuo)")
    for medida, lados in pares.items():
        n, i = lados.get("nuestro"), lados.get("ingenuo")
        if not (n and i):
            continue
        u = n["time_unit"]
        filas = n.get("filas")
        etiquetas = f"{n.get('label', '')} / {i.get('label', '')}" if "label" in n else ""
        print(f"{medida:28} {n['real_time']:>9.3f} {u:2} {n['cpu_time']:>7.3f} {u:2} "
              f"{i['real_time'] * factor(i, u):>9.3f} {u:2} {i['real_time'] * factor(i, u) / n['real_time']:>8.1f} "
              f"{'' if filas is None else f'{filas:.0f}':>8}  {etiquetas}")
    if memoria:
        print(f"\n{'memoria (MB)':28} {'nuestro':>12} {'ingenuo':>12}")
        for clave in ("rss_pico_MB", "rss_sin_datos_MB", "lexico_MB"):
            v = [memoria.get(l, {}).get(clave, float("nan")) for l in LADOS]
            print(f"{clave:28} {v[0]:>12.1f} {v[1]:>12.1f}")


def factor(corrida, unidad):
    """Converts a run's times into the given unit."""
    escala = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return escala[corrida["time_unit"]] / escala[unidad]


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "bench/datos/resultados.json")
