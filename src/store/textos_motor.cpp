#include "store/textos_motor.h"

#include <sqlite3.h>

namespace rimario {

QString textoMotor(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_PERM: return QStringLiteral("el sistema no da permiso para usar el archivo");
    case SQLITE_ABORT:
    case SQLITE_INTERRUPT: return QStringLiteral("la operación se interrumpió");
    case SQLITE_BUSY: return QStringLiteral("el almacén está en uso por otro programa");
    case SQLITE_LOCKED: return QStringLiteral("el almacén está bloqueado por otra operación en curso");
    case SQLITE_NOMEM: return QStringLiteral("no hay memoria suficiente");
    case SQLITE_READONLY: return QStringLiteral("el almacén solo se puede leer");
    case SQLITE_IOERR: return QStringLiteral("falló la lectura o la escritura en el disco");
    case SQLITE_CORRUPT: return QStringLiteral("el archivo está dañado");
    case SQLITE_FULL: return QStringLiteral("el disco está lleno");
    case SQLITE_CANTOPEN: return QStringLiteral("no se puede abrir el archivo");
    case SQLITE_PROTOCOL: return QStringLiteral("falló el bloqueo del archivo");
    case SQLITE_SCHEMA: return QStringLiteral("la estructura del almacén cambió mientras se usaba");
    case SQLITE_TOOBIG: return QStringLiteral("el dato es demasiado grande");
    case SQLITE_CONSTRAINT: return QStringLiteral("el cambio va contra una regla del almacén");
    case SQLITE_MISMATCH: return QStringLiteral("un dato no es del tipo esperado");
    case SQLITE_NOLFS: return QStringLiteral("el sistema no admite archivos tan grandes");
    case SQLITE_AUTH: return QStringLiteral("el acceso no está autorizado");
    case SQLITE_RANGE: return QStringLiteral("un dato está fuera de su intervalo");
    case SQLITE_NOTADB: return QStringLiteral("el archivo no es una base de datos");
    default: return QStringLiteral("el motor de la base de datos dio un error");
    }
}

} // namespace rimario
