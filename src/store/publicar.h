#pragma once
// How a new store (or any file made whole before anyone may see it) takes its
// name: written under a temporary name beside its destination, synced, given
// the final name in one step that never overwrites an existing file, and the
// folder synced so that the name stays after a crash. A writer killed on the
// way leaves at most a temporary file, which the next writer removes.

#include <QString>

class QTemporaryFile;

namespace rimario {

// A free name beside 'ruta' for a file still to be written there; it holds
// this process's number, so that what a killed writer left can be told from
// what a running one is writing. With 'reservado', that file is opened under
// the name (and removed with it unless told otherwise). Throws ErrorAlmacen
// when the folder cannot be written.
QString nombreTemporalJunto(const QString &ruta, QTemporaryFile *reservado = nullptr);
// Removes the temporary files beside 'ruta' that writers killed before they
// were done left behind (their process is gone); with 'todos', every one (only
// when nobody else can be writing there).
void quitarTemporalesHuerfanos(const QString &ruta, bool todos = false);

// Gives the complete file 'temporal', beside 'destino', the name 'destino':
// syncs it, names it in one step unless 'destino' exists (a link to nothing
// included), then syncs the folder. Returns 0, or errno (EEXIST when the name
// is taken); on failure 'temporal' is left as it was.
int publicar(const QString &temporal, const QString &destino);

// Removes the store at 'ruta' with every file SQLite may have made beside it
// (its rollback journal, write-ahead log and shared-memory index).
void quitarConAnexos(const QString &ruta);

// Syncs the folder of 'ruta', so that a name just given there stays.
void sincronizarCarpeta(const QString &ruta);

} // namespace rimario
