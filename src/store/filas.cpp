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

} // namespace

std::optional<std::vector<qint64>> Almacen::cambiosDesde(qint64 sec, qint64 azar) const
{
    if (formato_ < 4)
        return std::nullopt;
    // Every write is logged while the log's three triggers stand, and no
    // other trigger on the tables (one that cleared the log, say).
    {
        Sentencia t(db_, "SELECT count(*) = 3 AND sum(name IN ('PalabrasBase_alta', 'PalabrasBase_cambio', "
                         "'PalabrasBase_baja')) = 3 FROM sqlite_master WHERE type = 'trigger' "
                         "AND tbl_name IN ('PalabrasBase', 'Cambios')");
        if (!t.ok() || t.paso() != SQLITE_ROW || t.entero(0) != 1)
            return std::nullopt;
    }
    // The entry the list was made at is still there, with its tag: every
    // later one is too (only the oldest go).
    Sentencia e(db_, sec ? "SELECT Azar = ?2 FROM Cambios WHERE Sec = ?1"
                         : "SELECT coalesce(min(Sec), 1) = 1 FROM Cambios");
    if (!e.ok())
        return std::nullopt;
    if (sec) {
        e.enlazar(1, sec);
        e.enlazar(2, azar);
    }
    if (e.paso() != SQLITE_ROW || e.entero(0) != 1)
        return std::nullopt;
    Sentencia s(db_, "SELECT DISTINCT Id FROM Cambios WHERE Sec > ?1 AND Id IS NOT NULL ORDER BY Id");
    if (!s.ok())
        return std::nullopt;
    s.enlazar(1, sec);
    std::vector<qint64> ids;
    int rc;
    while ((rc = s.paso()) == SQLITE_ROW)
        ids.push_back(s.entero(0));
    if (rc != SQLITE_DONE)
        return std::nullopt;
    return ids;
}

void Almacen::recorrerFilas(const std::vector<qint64> &ids, const std::function<void(const FilaLeida &)> &visitar) const
{
    const QString que = QStringLiteral("No se pudo leer la lista de palabras");
    Sentencia s(db_, "SELECT Id, Pal, Voc, Clave IS NOT NULL, Consonante, Asonante, Silabas FROM PalabrasBase "
                     "WHERE Id = ?1");
    if (!s.ok())
        fallo(que, s.rc());
    FilaLeida f;
    for (const qint64 id : ids) {
        sqlite3_reset(s.get());
        s.enlazar(1, id);
        const int rc = s.paso();
        if (rc == SQLITE_DONE)
            continue;
        if (rc != SQLITE_ROW)
            fallo(que, rc);
        f.id = s.entero(0);
        f.palNula = s.esNulo(1);
        f.pal = s.utf8(1);
        f.voc = s.utf8(2);
        f.conClaves = s.entero(3) != 0;
        f.consonante = f.conClaves ? s.utf8(4) : std::string_view();
        f.asonante = f.conClaves ? s.utf8(5) : std::string_view();
        f.silabas = f.conClaves ? int(s.entero(6)) : 0;
        visitar(f);
    }
}

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

} // namespace rimario
