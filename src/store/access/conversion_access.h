#pragma once
// Turning a Microsoft Access word store (the "data.lop" of earlier versions,
// Jet 3 or Jet 4) into a store of this program.

#include "store/almacen.h"

#include <QString>

#include <functional>

namespace rimario {

// Told how many rows are written so far out of how many.
using Progreso = std::function<void(qint64 hechas, qint64 total)>;

// Converts the table Palabras of the Access file 'origen' into a new store at
// 'destino', which must not exist: every row in the file's order, Pal, Voc and
// Sig exactly as stored (Null kept Null), the marks A2..A7. The store is written
// under a temporary name beside 'destino', read back (its row count must equal
// the table's) and only then given its name. Returns the number of rows.
// Throws ErrorAlmacen with a Spanish message; never leaves anything at 'destino'
// on failure, and never writes to 'origen'.
qint64 convertirAccess(const QString &origen, const QString &destino, const Progreso &progreso = {});

// For start-up: when 'ruta' is an Access file, converts it into a store that
// takes its place and keeps the original beside it as "<name>.access2000.<ext>"
// (or access97, access2007...; "-2", "-3"... added so that no earlier copy is
// overwritten). Returns the copy's path, or an empty string when 'ruta' is not
// an Access file. On failure throws ErrorAlmacen and 'ruta' is as it was.
// The new store has the original's permissions (a read-only file stays so).
// Two programs converting one file: the second waits for the first (an
// exclusive lock on the Access file; 'esperando' is called when it must wait)
// and then finds the store converted: it converts nothing and returns "".
// Temporary files that a conversion stopped by force left beside 'ruta' are
// removed first.
QString convertirAlAbrir(const QString &ruta, const Progreso &progreso = {},
                         const std::function<void()> &esperando = {});

} // namespace rimario
