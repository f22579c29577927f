// The other program of the two-program tests.
//
// hijo_concurrencia bloquear ALMACEN (exclusivo|inmediato) [MS]
//   Takes the file's lock as another program in the middle of a write does
//   (exclusivo: nobody may even read; inmediato: a write is pending, others
//   may read), says "bloqueado", and lets go after MS milliseconds or, without
//   MS, when a line arrives on its input. Nothing is changed. Says "libre".
//
// hijo_concurrencia copia ALMACEN NOMBRE N
//   A copy of the program at work: N rounds of archiving, re-archiving,
//   editing and deleting its own words NOMBRE0..NOMBRE(N-1) and vowel-mode
//   searches, through the word list as the window does, each write waiting for
//   the other copy as needed. Then it says "hecho", waits for a line on its
//   input (every copy is done), refreshes its list and says "lista COUNT HASH".
//   Any failure ends it with status 1.

#include "almacen.h"
#include "../muerte/apoyo_muerte.h"
#include "lista_palabras.h"
#include "rima.h"
#include "vocales.h"

#include <QFile>
#include <QThread>

#include <cstdio>
#include <iostream>
#include <string>

#include <sqlite3.h>
#include <unistd.h>

using namespace rimario;
using muerte::decir;

namespace {

int bloquear(const QString &ruta, const QString &modo, int ms)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 1;
    sqlite3_busy_timeout(db, 20000);
    const bool exclusivo = modo == QLatin1String("exclusivo");
    if (sqlite3_exec(db, exclusivo ? "BEGIN EXCLUSIVE" : "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK
        || (!exclusivo
            && sqlite3_exec(db, "UPDATE Meta SET Valor = Valor WHERE Clave = 'contador'", nullptr, nullptr, nullptr)
                != SQLITE_OK)) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        return 1;
    }
    decir(QStringLiteral("bloqueado"));
    if (ms >= 0) {
        QThread::msleep(static_cast<unsigned long>(ms));
    } else {
        std::string linea;
        std::getline(std::cin, linea);
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    decir(QStringLiteral("libre"));
    return 0;
}

int copia(const QString &ruta, const QString &nombre, int n)
{
    auto almacen = Almacen::abrir(ruta);
    ListaPalabras lista(*almacen);
    lista.releer();
    auto palabra = [&nombre](int i) { return nombre + QString::number(i); };
    auto cumplirDestino = [&](int i) {
        const QString w = palabra(i);
        const int destino = muerte::destinoDeCopia(i);
        if (destino == 1)
            muerte::archivarEnLista(lista, w, muerte::definicionDeCopia(w, 2));
        if (destino < 2)
            return;
        if (!lista.buscarIgual(w))
            throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("no está ") + w);
        if (destino == 2)
            lista.cambiarPal(lista.actual(), w + QLatin1Char('x'));
        else
            lista.eliminarActual();
    };
    for (int i = 0; i < n; ++i) {
        muerte::archivarEnLista(lista, palabra(i), muerte::definicionDeCopia(palabra(i), 1));
        if (i > 0)
            cumplirDestino(i - 1);
        if (i % 7 == 3) {
            marcarRimasVocales(*almacen, lista.lexico(), QStringLiteral("otorrinolaringología"), 2 + i % 6, i % 2 == 0);
            lista.refrescar();
        }
        if (i % 5 == 4)
            lista.refrescar();
    }
    cumplirDestino(n - 1);

    // Everyone's words, once every copy is done.
    decir(QStringLiteral("hecho"));
    std::string linea;
    std::getline(std::cin, linea);
    lista.refrescar();
    decir(muerte::huellaDeLista(lista));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return muerte::ejecutarHijo(argc, argv, [](const QStringList &args) {
        if (args.size() >= 3 && args[0] == QLatin1String("bloquear"))
            return bloquear(args[1], args[2], args.size() > 3 ? args[3].toInt() : -1);
        if (args.size() == 4 && args[0] == QLatin1String("copia"))
            return copia(args[1], args[2], args[3].toInt());
        std::fprintf(stderr, "uso: hijo_concurrencia bloquear ALMACEN (exclusivo|inmediato) [MS] | copia ALMACEN NOMBRE N\n");
        return 2;
    });
}
