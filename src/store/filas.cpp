// Reading every row of the store: as the file holds them, in list order, and
// those of a rhyme key.

#include "store/almacen.h"

#include "language/silabas.h"
#include "store/almacen_interno.h"
#include "store/sentencia.h"

#include <QScopeGuard>

#include <algorithm>
#include <cstring>

#include <sqlite3.h>

namespace rimario {

namespace {

const char *const kLeerTodas = "SELECT Id, Pal, Voc FROM PalabrasBase";
const char *const kLeerTodasConClaves =
    "SELECT Id, Pal, Voc, Clave IS NOT NULL, Consonante, Asonante, Silabas FROM PalabrasBase";

// A row's place in list order (Clave, Pal, Voc, Id, as SQLite orders them:
// Null first, then text by its bytes; Voc is read as text, never Null).
struct Lugar {
    QByteArray clave, pal, voc;
    bool palNula = false;
    qint64 id = 0;
};

int compararBytes(const QByteArray &a, const QByteArray &b)
{
    const int c = std::memcmp(a.constData(), b.constData(), size_t(std::min(a.size(), b.size())));
    return c ? c : (a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0));
}

bool antes(const Lugar &a, const Lugar &b)
{
    if (const int c = compararBytes(a.clave, b.clave))
        return c < 0;
    if (a.palNula != b.palNula)
        return a.palNula;
    if (const int c = compararBytes(a.pal, b.pal))
        return c < 0;
    if (const int c = compararBytes(a.voc, b.voc))
        return c < 0;
    return a.id < b.id;
}

} // namespace

void Almacen::recorrerFilas(const std::function<void(const FilaLeida &)> &visitar) const
{
    const QString que = QStringLiteral("No se pudo leer la lista de palabras");
    const bool claves = formato_ >= 2;
    // One pass over every page: keeping them would only take memory.
    ejecutarSql(db_, "PRAGMA cache_size = -2000");
    const auto cache = qScopeGuard([this] { ejecutarSql(db_, kTamanoCache); });
    Sentencia s(db_, claves ? kLeerTodasConClaves : kLeerTodas);
    if (!s.ok())
        fallo(que, s.rc());
    int rc;
    FilaLeida f;
    while ((rc = s.paso()) == SQLITE_ROW) {
        f.id = s.entero(0);
        f.palNula = s.esNulo(1);
        f.pal = s.utf8(1);
        f.voc = s.utf8(2);
        f.conClaves = claves && s.entero(3) != 0;
        if (f.conClaves) {
            f.consonante = s.utf8(4);
            f.asonante = s.utf8(5);
            f.silabas = int(s.entero(6));
        }
        visitar(f);
    }
    if (rc != SQLITE_DONE)
        fallo(que, rc);
}

void Almacen::recorrerEnOrden(
    const std::function<void(qint64, const char *, int, bool, const char *, int)> &visitar) const
{
    if (hayClavesPendientes())
        repararClaves();
    std::vector<Lugar> filas;
    recorrerFilas([&](const FilaLeida &f) {
        Lugar l;
        l.id = f.id;
        l.palNula = f.palNula;
        if (!f.palNula)
            l.pal = QByteArray(f.pal.data(), qsizetype(f.pal.size()));
        l.voc = QByteArray(f.voc.data(), qsizetype(f.voc.size()));
        // Decoded as the word list decodes it, so that a word of invalid UTF-8
        // (left by another program) sorts where the list looks for it.
        l.clave = colador_.clave(l.palNula ? QString() : QString::fromUtf8(l.pal));
        filas.push_back(std::move(l));
    });
    std::sort(filas.begin(), filas.end(), antes);
    for (const Lugar &l : filas)
        visitar(l.id, l.pal.constData(), int(l.pal.size()), l.palNula, l.voc.constData(), int(l.voc.size()));
}

} // namespace rimario
