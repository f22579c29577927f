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
