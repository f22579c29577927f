#pragma once
// Commands of rimario-cli. Each returns the process exit status; it prints its
// results on standard output and its errors, in Spanish, on standard error.

#include <QStringList>

namespace rimario::cli {

int ordenCrear(const QStringList &args);
int ordenBuscar(const QStringList &args);
int ordenSilabas(const QStringList &args);
int ordenMetrica(const QStringList &args);
int ordenConvertir(const QStringList &args);
int ordenComprobar(const QStringList &args);

// Prints a message on standard error (with a line end).
void error(const QString &mensaje);
// Prints a line on standard output.
void salida(const QString &linea);

} // namespace rimario::cli
