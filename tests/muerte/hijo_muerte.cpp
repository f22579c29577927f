// hijo_muerte OPERACION ALMACEN [--matar-en N] [--huellas]
//
// The child of the crash tests: opens the store as the window does and runs a
// fixed sequence of one kind of write, the calls the window's handlers make:
//   vocales    vowel-mode searches (marks recorded, list refreshed)
//   archivar   archivings: the word's row gets the definition, or a new row
//   eliminar   deletions of the current word
//   editar     in-place edits of words in the grid
//   convertir  the start-up conversion of an Access file at ALMACEN
//   abrir      the opening of a store of the older format, brought up to date
// It prints "hecho I P" once operation I is committed (P: disk steps taken so
// far), and at the end "pasos N" and "fin". With --matar-en N it kills itself
// just before the N-th disk step; a step of its own after each operation lets
// it die just after the commit, too. With --huellas it prints, for the state
// after operation I (0: before), "huella I HEX" (the store's fingerprint).
// RIMARIO_MUERTE_DIARIO set: every disk step on standard error.

#include "almacen.h"
#include "apoyo_muerte.h"
#include "conversion_access.h"
#include "lista_palabras.h"
#include "muerte_programada.h"
#include "rima.h"
#include "vocales.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace rimario;
using muerte::decir;

namespace {

// A definition as the archiving stores it: RTF of about 'largo' characters.
QString definicion(const QString &palabra, int largo)
{
    QString t = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang3082{\\fonttbl{\\f0\\fswiss\\fcharset0 MS Sans "
                               "Serif;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs17 \\b %1.\\b0 \\par\r\n")
                    .arg(palabra);
    for (int i = 1; t.size() < largo; ++i)
        t += QStringLiteral("%1. f. Acepci\\'f3n n\\'famero %1 de %2, con su ejemplo.\\par\r\n").arg(i).arg(palabra);
    return t + QStringLiteral("}\r\n");
}

using Operacion = std::function<void()>;

std::vector<Operacion> operaciones(const QString &tipo, Almacen &almacen, ListaPalabras &lista)
{
    std::vector<Operacion> ops;
    const Lexico &lx = lista.lexico();
    if (tipo == QLatin1String("vocales")) {
        struct Busqueda {
            const char16_t *palabra;
            int n;
            bool igual;
        };
        for (const Busqueda b : {Busqueda{u"murciélago", 5, false}, Busqueda{u"canción", 2, false},
                                 Busqueda{u"otorrinolaringólogo", 7, true}})
            ops.push_back([&almacen, &lista, b] {
                // Rima_Click in vowel mode: marks recorded in one commit, then the list refreshed.
                if (!marcarRimasVocales(almacen, lista.lexico(), QString::fromUtf16(b.palabra), b.n, b.igual))
                    throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("pocas vocales"));
                lista.refrescar();
            });
    } else if (tipo == QLatin1String("archivar")) {
        const QString existente = lx.pal(lx.tamano() / 3).toString();
        const QString otra = lx.pal(lx.tamano() - 2).toString();
        const QList<std::pair<QString, int>> archivos = {{existente, 300},
                                                         {QStringLiteral("zampoña"), 9000},
                                                         {QStringLiteral("zampoña"), 30000},
                                                         {otra, 12000},
                                                         {QStringLiteral("o'higgins"), 500}};
        for (const auto &[palabra, largo] : archivos)
            ops.push_back([&lista, palabra, largo] { muerte::archivarEnLista(lista, palabra, definicion(palabra, largo)); });
    } else if (tipo == QLatin1String("eliminar")) {
        // The first word, a word with a long definition, one in the middle.
        QStringList palabras{lx.pal(0).toString()};
        for (qsizetype p = 1; p < lx.tamano(); ++p)
            if (almacen.sig(lx.id(p)).value_or(QString()).size() > 3000) {
                palabras << lx.pal(p).toString();
                break;
            }
        palabras << lx.pal(lx.tamano() / 2).toString();
        for (const QString &w : palabras)
            ops.push_back([&lista, w] {
                // Choosing the word, then Eli_Click answered yes.
                if (!lista.buscarIgual(w))
                    throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("falta ") + w);
                lista.eliminarActual();
            });
    } else if (tipo == QLatin1String("editar")) {
        const QList<std::pair<qint64, QString>> cambios = {
            {lx.id(0), QStringLiteral("zurrón")},                          // to the end of the list
            {lx.id(lx.tamano() / 2), QStringLiteral("Ábaco")},             // to the front
            {lx.id(lx.tamano() / 4), QStringLiteral("d'Artagnan")},        // an apostrophe
            {lx.id(lx.tamano() - 1), QString(600, QChar(u'ñ')) + QLatin1Char('o')}};   // a long word
        for (const auto &[id, nueva] : cambios)
            ops.push_back([&lista, id, nueva] {
                // An edit in the word grid (ModeloPalabras::setData).
                const qsizetype pos = lista.lexico().posicionDeId(id);
                if (pos < 0)
                    throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("falta una fila"));
                lista.cambiarPal(pos, nueva);
            });
    }
    return ops;
}

void decirHuella(int i, sqlite3 *db)
{
    decir(QStringLiteral("huella %1 %2").arg(i).arg(QString::fromLatin1(muerte::huella(db).toHex())));
}

int ejecutar(const QString &tipo, const QString &ruta, qint64 matarEn, bool huellas)
{
    muerte::instalarMuerte();
    if (tipo == QLatin1String("abrir") || tipo == QLatin1String("convertir")) {
        // One operation: the opening that brings the store up to date, or the conversion.
        const bool abrir = tipo == QLatin1String("abrir");
        if (huellas && abrir) {
            sqlite3 *db = nullptr;
            sqlite3_open_v2(QFile::encodeName(ruta).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
            decirHuella(0, db);
            sqlite3_close(db);
        }
        muerte::armarMuerte(matarEn);
        if (!abrir)
            convertirAlAbrir(ruta);
        else if (Almacen::abrir(ruta)->formato() != kFormatoActual)
            throw ErrorAlmacen(ErrorAlmacen::Tipo::General, QStringLiteral("no se puso al día"));
        muerte::pasoPropio("hecho");
        decir(QStringLiteral("hecho 1 %1").arg(muerte::pasosDados()));
        decir(QStringLiteral("pasos %1").arg(muerte::pasosDados()));
        if (huellas)
            decirHuella(1, Almacen::abrir(ruta, true)->conexion());
        decir(QStringLiteral("fin"));
        return 0;
    }
    auto almacen = Almacen::abrir(ruta);
    ListaPalabras lista(*almacen);
    lista.releer();
    lista.refrescar();
    const std::vector<Operacion> ops = operaciones(tipo, *almacen, lista);
    if (ops.empty()) {
        std::fprintf(stderr, "operación desconocida\n");
        return 2;
    }
    if (huellas)
        decirHuella(0, almacen->conexion());
    muerte::armarMuerte(matarEn);
    for (size_t i = 0; i < ops.size(); ++i) {
        ops[i]();
        muerte::pasoPropio("hecho");
        decir(QStringLiteral("hecho %1 %2").arg(i + 1).arg(muerte::pasosDados()));
        if (huellas)
            decirHuella(int(i + 1), almacen->conexion());
    }
    decir(QStringLiteral("pasos %1").arg(muerte::pasosDados()));
    decir(QStringLiteral("fin"));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    return muerte::ejecutarHijo(argc, argv, [](const QStringList &args) {
        if (args.size() < 2) {
            std::fprintf(stderr, "uso: hijo_muerte OPERACION ALMACEN [--matar-en N] [--huellas]\n");
            return 2;
        }
        const qsizetype m = args.indexOf(QStringLiteral("--matar-en"));
        const qint64 matarEn = m >= 0 ? args.value(m + 1).toLongLong() : 0;
        return ejecutar(args[0], args[1], matarEn, args.contains(QStringLiteral("--huellas")));
    });
}
