#pragma once
// Shared by the crash and two-program tests and their child programs: made-up
// Spanish-looking words, fingerprints of a store and of a word list, and the
// plumbing of the child programs.

#include "almacen.h"
#include "lista_palabras.h"
#include "vocales.h"

#include "../comun/almacen_prueba.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <exception>
#include <random>

#include <sqlite3.h>
#include <unistd.h>

namespace rimario::muerte {

using namespace rimario::prueba;

// 'cuantas' words built from Spanish syllables (accents, ñ, ü, some capitals),
// the same for the same seed. Repeats are possible, as in a real list.
inline QStringList palabrasInventadas(int cuantas, unsigned semilla)
{
    static const char16_t *const kAtaques[] = {u"",  u"b",  u"c",  u"ch", u"d",  u"f",  u"g",  u"gu", u"j",
                                               u"l", u"ll", u"m",  u"n",  u"ñ",  u"p",  u"qu", u"r",  u"s",
                                               u"t", u"v",  u"y",  u"z",  u"br", u"cr", u"tr", u"pl", u"gr"};
    static const char16_t *const kNucleos[] = {u"a",  u"e",  u"i",  u"o",  u"u",  u"á",  u"é",
                                               u"í",  u"ó",  u"ú",  u"ia", u"ue", u"ie", u"ui",
                                               u"üe", u"ai", u"a",  u"e",  u"o",  u"a"};
    static const char16_t *const kCodas[] = {u"", u"", u"", u"n", u"s", u"r", u"l", u"z"};
    std::mt19937 gen(semilla);
    auto elige = [&gen](auto &tabla) {
        return QString::fromUtf16(tabla[gen() % (sizeof(tabla) / sizeof(tabla[0]))]);
    };
    QStringList r;
    r.reserve(cuantas);
    for (int i = 0; i < cuantas; ++i) {
        QString w;
        const int silabas = 1 + int(gen() % 4);
        for (int s = 0; s < silabas; ++s)
            w += elige(kAtaques) + elige(kNucleos) + (s + 1 == silabas ? elige(kCodas) : QString());
        if (gen() % 50 == 0)
            w[0] = w[0].toUpper();
        r << w;
    }
    return r;
}

// SHA-256 of every value of the store's tables (each with its type), in a
// fixed order: two stores with the same fingerprint hold the same words,
// definitions, marks, rules, keys and counters. Empty on a read error.
inline QByteArray huella(sqlite3 *db)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    QByteArray trozo;
    trozo.reserve(1 << 20);
    for (const char *sql : {"SELECT * FROM PalabrasBase ORDER BY Id", "SELECT * FROM Marcas ORDER BY N",
                            "SELECT * FROM Meta ORDER BY Clave"}) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
            return {};
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const int tipo = sqlite3_column_type(st, c);
                const void *p = tipo == SQLITE_NULL ? nullptr
                    : tipo == SQLITE_BLOB           ? sqlite3_column_blob(st, c)
                                                    : sqlite3_column_text(st, c);
                const int n = p ? sqlite3_column_bytes(st, c) : 0;
                trozo.append(char('0' + tipo)).append(reinterpret_cast<const char *>(&n), sizeof n);
                if (n > 0)
                    trozo.append(static_cast<const char *>(p), n);
            }
            if (trozo.size() > (1 << 20) - 4096) {
                h.addData(trozo);
                trozo.clear();
            }
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            return {};
        trozo.append('|');
    }
    h.addData(trozo);
    return h.result();
}

// The words of a list in its order, as "lista COUNT HASH".
inline QString huellaDeLista(const ListaPalabras &lista)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (qsizetype p = 0; p < lista.tamano(); ++p)
        h.addData((lista.lexico().pal(p).toString() + QLatin1Char('\n')).toUtf8());
    return QStringLiteral("lista %1 %2").arg(lista.tamano()).arg(QString::fromLatin1(h.result().toHex()));
}

// What archiving does to the word list: the word's row gets the definition,
// or a new row is added; the list stands on it.
inline void archivarEnLista(ListaPalabras &lista, const QString &palabra, const QString &sig)
{
    if (lista.buscarIgual(palabra))
        lista.cambiarSig(lista.actual(), sig);
    else
        lista.irA(lista.anadir(palabra, ExtraeVocales(palabra), sig));
}

// Fingerprint of the store at 'ruta', read as it stands.
inline QByteArray huellaDe(const QString &ruta)
{
    return huella(Almacen::abrir(ruta, true)->conexion());
}

// What a copy of the two-program tests does with its word i: 0 keeps it,
// 1 archives it again, 2 edits it (an "x" added), 3 deletes it. Its
// definition as archived the n-th time.
inline int destinoDeCopia(int i)
{
    return i % 6 < 4 ? i % 6 : 0;
}
inline QString definicionDeCopia(const QString &palabra, int vez)
{
    return QStringLiteral("{\\rtf1 \\b %1\\b0 : definici\\'f3n %2\\par}").arg(palabra).arg(vez);
}

// ---- child programs

// A line on standard output, unbuffered: it is there even if the process is killed next.
inline void decir(const QString &linea)
{
    const QByteArray b = (linea + QLatin1Char('\n')).toUtf8();
    (void)!::write(1, b.constData(), size_t(b.size()));
}

// Runs a child's work on its arguments; a failure is told on standard error
// and ends it with status 1.
template <typename Trabajo>
int ejecutarHijo(int argc, char **argv, Trabajo &&trabajo)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        return trabajo(args);
    } catch (const ErrorAlmacen &e) {
        std::fprintf(stderr, "%s\n", e.mensaje().toLocal8Bit().constData());
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    return 1;
}

} // namespace rimario::muerte
