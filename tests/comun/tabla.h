#pragma once
// The columns of a table-driven test named once: COLUMNAS(int, n, QString, w)
// in the _data function adds them, DATOS(int, n, QString, w) in the test
// fetches them (up to four columns).

#include <QTest>

#define TABLA_COLUMNA_(tipo, nombre) QTest::addColumn<tipo>(#nombre);
#define TABLA_DATO_(tipo, nombre) QFETCH(tipo, nombre);
#define TABLA_1_(m, t, n) m(t, n)
#define TABLA_2_(m, t, n, ...) m(t, n) TABLA_1_(m, __VA_ARGS__)
#define TABLA_3_(m, t, n, ...) m(t, n) TABLA_2_(m, __VA_ARGS__)
#define TABLA_4_(m, t, n, ...) m(t, n) TABLA_3_(m, __VA_ARGS__)
#define TABLA_ELEGIR_(a, b, c, d, e, f, g, h, N, ...) N
#define TABLA_PARES_(m, ...) TABLA_ELEGIR_(__VA_ARGS__, TABLA_4_, , TABLA_3_, , TABLA_2_, , TABLA_1_, )(m, __VA_ARGS__)
#define COLUMNAS(...) TABLA_PARES_(TABLA_COLUMNA_, __VA_ARGS__)
#define DATOS(...) TABLA_PARES_(TABLA_DATO_, __VA_ARGS__)
