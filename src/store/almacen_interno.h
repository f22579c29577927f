#pragma once
// What the store's own files share about its SQLite connection (almacen.cpp,
// esquema.cpp, filas.cpp...); no other module includes this.

#include "store/almacen.h"
#include "store/textos_motor.h"

#include <QString>

#include <sqlite3.h>

namespace rimario {

// The page cache of an open store (a read of every row uses a smaller one).
inline constexpr const char *kTamanoCache = "PRAGMA cache_size = -16000";
// The first read of an operation: the row every store has.
inline constexpr const char *kLeerContador = "SELECT Valor FROM Meta WHERE Clave = 'contador'";

// SQLite calls this while another program holds the lock: it waits a little
// and tries again, until the time is up or whoever is told of the wait gives up.
int alEsperar(void *, int veces);

// Runs statements that bind no values; returns SQLite's code and, on failure,
// its message when asked for.
inline int ejecutarSql(sqlite3 *db, const char *sql, QString *motor = nullptr)
{
    char *err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, motor ? &err : nullptr);
    if (err)
        *motor = QString::fromUtf8(err);
    sqlite3_free(err);
    return rc;
}

// The engine's latest message on the connection ("" without one).
inline QString mensajeMotor(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
}

inline ErrorAlmacen::Tipo tipoDe(int rc)
{
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED: return ErrorAlmacen::Tipo::Ocupado;
    case SQLITE_READONLY: return ErrorAlmacen::Tipo::SoloLectura;
    case SQLITE_NOTADB: return ErrorAlmacen::Tipo::NoEsAlmacen;
    default: return ErrorAlmacen::Tipo::General;
    }
}

// A write transaction: begun at once (taking the write lock, waiting a bounded
// time for another program), rolled back unless committed. The store's own
// writes take it through Almacen::transaccion or a Lote, which add their checks
// and keep count of the store's own commits.
class Escritura {
public:
    explicit Escritura(sqlite3 *db) : db_(db)
    {
        rc_ = ejecutarSql(db_, "BEGIN IMMEDIATE");
        abierta_ = rc_ == SQLITE_OK;
    }
    ~Escritura()
    {
        if (abierta_)
            ejecutarSql(db_, "ROLLBACK");
    }
    Escritura(const Escritura &) = delete;
    Escritura &operator=(const Escritura &) = delete;
    int rc() const { return rc_; }
    int confirmar()
    {
        rc_ = ejecutarSql(db_, "COMMIT");
        if (rc_ == SQLITE_OK)
            abierta_ = false;
        return rc_;
    }

private:
    sqlite3 *db_;
    int rc_;
    bool abierta_;
};

} // namespace rimario
